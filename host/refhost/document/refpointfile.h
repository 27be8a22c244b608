// Point sets in text: "v X Y Z [R G B]" lines give points (colours 0 to 1,
// on every point or on none) and "vn X Y Z" lines their normals (one per
// point or none); "#" starts a comment, other lines are refused.
#pragma once

#include <string>
#include <vector>

struct RefPointRead {
    bool good = false;
    std::string error;  // "path:line: what", when not good
    std::vector<double> points;
    std::vector<float> colors;
    std::vector<double> normals;
};

RefPointRead refReadPoints(const std::string& path);
