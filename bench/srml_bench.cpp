// Reading and writing a recipe of 10,000 angles with 3 cameras each through
// the host's XML service, against pugixml parsing and saving the same file
// (the floor: no service lookups, no wide names, no numbers to format or
// parse), and against what a pugixml user would write for the same job: the
// tree built from the document and saved, the file parsed and walked into
// records. Both sides write to the same folder; the service's save also
// commits the file to disk and renames it into place, so it is shown with and
// without that step on the pugixml side.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "benchfolder.h"
#include "os/fileio.h"
#include "refhost.h"
#include "srml.h"
#include "srmlrecipe.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"

namespace {

constexpr int kAngleCount = 10000;
constexpr int kCamerasPerAngle = 3;

std::filesystem::path fileNamed(const char* name) { return benchFolder() / name; }
TesString libraryPath(const char* name) { return TesString(fileNamed(name).u16string().c_str()); }

IPtr<SRML> buildDocument() {
    IPtr<SRML> document(new SRML);
    std::mt19937 random(11);
    SRMLScannerMap& scanners = document->modelData()->scannerTransforms();
    for (int32_t id = 0; id < kCamerasPerAngle; ++id) {
        *scanners.findOrInsert(id) = TesMatrix::fromColumns({0.5, -0.866025, 0}, {0.296198, 0.17101, 0.939693},
                                                            {0.813798, 0.469846, -0.34202}, {-600.0 + id, -350, 250});
    }
    IPtr<SRMLRecipe> recipe(new SRMLRecipe);
    recipe->rename(TesString(u"Dense sweep"), true);
    for (int i = 0; i < kAngleCount; ++i) {
        IPtr<SRMLScanAngle> angle(new SRMLScanAngle);
        angle->setAngle(i % 360);
        angle->setResolution(i % 3);
        for (int32_t id = 0; id < kCamerasPerAngle; ++id) {
            IPtr<SRMLScanProperties> properties(new SRMLScanProperties);
            properties->setExposure(static_cast<int32_t>(random() % 400));
            properties->setHdr(static_cast<int32_t>(random() % 2));
            angle->scanners().push_back(id);
            angle->scannerProperties().emplace_back(properties.get());
        }
        recipe->angles().emplace_back(angle.get());
    }
    document->recipes().emplace_back(recipe.get());
    return document;
}

IPtr<SRML>& document() {
    static IPtr<SRML> built = buildDocument();
    return built;
}

void SrmlWrite(benchmark::State& state) {
    const TesString path = libraryPath("service.srml");
    for (auto _ : state) {
        if (!document()->write(path)) state.SkipWithError("write failed");
    }
}

void SrmlRead(benchmark::State& state) {
    const TesString path = libraryPath("input.srml");
    for (auto _ : state) {
        IPtr<SRML> read(new SRML);
        if (!read->read(path)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(read->recipes().size());
    }
}

void PugiParse(benchmark::State& state) {
    const std::string path = fileNamed("input.srml").string();
    for (auto _ : state) {
        pugi::xml_document xml;
        if (!xml.load_file(path.c_str())) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(xml.first_child());
    }
}

// pugixml's save_file of the same tree, as the service indents it.
void PugiSave(benchmark::State& state) {
    pugi::xml_document xml;
    xml.load_file(fileNamed("input.srml").string().c_str());
    const std::string path = fileNamed("pugi.srml").string();
    for (auto _ : state) {
        if (!xml.save_file(path.c_str(), "\t", pugi::format_indent, pugi::encoding_utf8)) state.SkipWithError("save failed");
    }
}

// The same save, committed to disk and renamed into place as the service does.
void PugiSaveCommitted(benchmark::State& state) {
    pugi::xml_document xml;
    xml.load_file(fileNamed("input.srml").string().c_str());
    const std::string temporary = fileNamed("pugi.tmp").string();
    const std::filesystem::path target = fileNamed("pugi.srml");
    for (auto _ : state) {
        std::FILE* file = tesFileOpen(temporary.c_str(), "wb");
        pugi::xml_writer_file writer(file);
        xml.save(writer, "\t", pugi::format_indent, pugi::encoding_utf8);
        tesFileCommit(file);
        std::fclose(file);
        std::filesystem::rename(temporary, target);
    }
}

// What a pugixml user writes to get the same file: the tree built from the
// document, then saved.
void PugiBuildSave(benchmark::State& state) {
    const std::string path = fileNamed("pugi-built.srml").string();
    for (auto _ : state) {
        pugi::xml_document xml;
        pugi::xml_node angles = xml.append_child("SRML").append_child("WorkingRecipes").append_child("Recipe").append_child("Angles");
        for (const IPtr<ITesSRMLScanAngle>& angle : document()->recipes()[0]->angles()) {
            pugi::xml_node element = angles.append_child("Angle");
            element.append_attribute("value").set_value(angle->angle());
            element.append_attribute("resolution").set_value("Low");
            for (size_t i = 0; i < angle->scanners().size(); ++i) {
                pugi::xml_node camera = element.append_child("Camera");
                camera.append_attribute("id").set_value(angle->scanners()[i]);
                const IPtr<ITesSRMLScanProperties>& properties = angle->scannerProperties()[i];
                pugi::xml_node exposure = camera.append_child("Property");
                exposure.append_attribute("id").set_value("Exposure");
                exposure.text().set(properties->exposure());
                pugi::xml_node hdr = camera.append_child("Property");
                hdr.append_attribute("id").set_value("HDR");
                hdr.text().set(properties->hdr());
            }
        }
        if (!xml.save_file(path.c_str(), "\t", pugi::format_indent, pugi::encoding_utf8)) state.SkipWithError("save failed");
    }
}

// What a pugixml user reads to get the same values: the file parsed, then
// walked into plain records.
struct CameraRecord {
    int angle, id, exposure, hdr;
};

void PugiParseWalk(benchmark::State& state) {
    const std::string path = fileNamed("input.srml").string();
    for (auto _ : state) {
        pugi::xml_document xml;
        if (!xml.load_file(path.c_str())) state.SkipWithError("parse failed");
        std::vector<CameraRecord> records;
        pugi::xml_node recipe = xml.document_element().child("WorkingRecipes").child("Recipe");
        for (pugi::xml_node angle : recipe.child("Angles").children()) {
            for (pugi::xml_node camera : angle.children()) {
                CameraRecord record{angle.attribute("value").as_int(), camera.attribute("id").as_int(), -1, -1};
                for (pugi::xml_node property : camera.children()) {
                    const int value = property.text().as_int();
                    (std::strcmp(property.attribute("id").value(), "HDR") == 0 ? record.hdr : record.exposure) = value;
                }
                records.push_back(record);
            }
        }
        benchmark::DoNotOptimize(records.data());
    }
}

BENCHMARK(SrmlWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(PugiBuildSave)->Unit(benchmark::kMillisecond);
BENCHMARK(PugiSave)->Unit(benchmark::kMillisecond);
BENCHMARK(PugiSaveCommitted)->Unit(benchmark::kMillisecond);
BENCHMARK(SrmlRead)->Unit(benchmark::kMillisecond);
BENCHMARK(PugiParse)->Unit(benchmark::kMillisecond);
BENCHMARK(PugiParseWalk)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    RefHost host;
    host.installInLibrary();
    const auto writeInput = [] {
        if (!document()->write(libraryPath("input.srml"))) return false;
        std::printf("input: %ju bytes\n", static_cast<uintmax_t>(std::filesystem::file_size(fileNamed("input.srml"))));
        return true;
    };
    return runBenchmarksInFolder(&argc, argv, "srml-bench", writeInput, [] { document().reset(); });
}
