// The reference host's aligner ("IAligner") and its input
// ("IAligner_Input_Dummy"): a least-squares rigid fit of point pairs.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "hostapi/computation.h"
#include "iptr.h"

// The input's parameter is the largest RMS residual a fit may leave; fits
// beyond it fail. It starts without limit.
class RefAlignerInput : public IAligner_Input_Dummy {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setParameter(double value) override { parameter_ = value; }
    double parameter() override { return parameter_; }

private:
    double parameter_ = std::numeric_limits<double>::infinity();
};

// A point-to-point fit without scaling (rotation and translation, det R = +1).
// The normals of the floating entries do not enter it. A fit fails for fewer
// than 3 pairs, a coordinate that is not finite, or a set of either side
// that spans no plane: its second singular value (centred) at most 1e-9
// times its first, as for collinear or coincident points.
class RefAligner : public IAligner {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;
    void setInput(IAligner_Input_Dummy* input) override { input_ = input; }
    bool align(int32_t count, const double* fixed, const double* floating, TesMatrix* result) override;

    // |R · q − p| of each pair of the last successful fit, in pair order.
    const std::vector<double>& residuals() const { return residuals_; }
    // The root mean square of those residuals; 0 before any fit.
    double rms() const { return rms_; }

private:
    IPtr<IAligner_Input_Dummy> input_;
    std::vector<double> residuals_;
    double rms_ = 0.0;
};
