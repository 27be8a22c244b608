// The hand-built data-model files under tests/data/datamodel and a data-model
// object whose members make the sample files wide.bin and narrow.bin.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classid.h"
#include "datamodel.h"
#include "queryinterface.h"
#include "tempfolder.h"
#include "tesfileread.h"
#include "tesfilewrite.h"
#include "tesstring.h"
#include "tesvector.h"

inline constexpr TesClassId kSampleClassId = TesClassId::parse("01234567-89ab-cdef-0123-456789abcdef");
inline constexpr TesClassId kOtherClassId = TesClassId::parse("fedcba98-7654-3210-0011-223344556677");
// Format versions that give the two size widths.
inline constexpr uint32_t kWideFormat = 0;
inline constexpr uint32_t kNarrowFormat = 5;

inline std::string dataModelFile(const std::string& name) {
    return std::string(VESPER_SOURCE_DIR) + "/tests/data/datamodel/" + name;
}

inline std::vector<uint8_t> dataModelBytes(const std::string& name) {
    return TempFolder::readAll(dataModelFile(name));
}

// A data-model object: an object block of version 3 with four members.
class SampleObject : public ITesDataModelObject {
public:
    void queryInterface(const char* name, void** out) override {
        tesAnswerQuery(name, out, {"SampleObject", this, this, {{"ITesDataModelObject", this}}});
    }
    const char* className() const override { return "SampleObject"; }
    TesClassId classId() const override { return kSampleClassId; }

    bool writeModel(ITesDataModelWriter& writer) override {
        const double point[3] = {x, y, z};
        writer.beginObject(this, kVersion);
        writer.writeUInt32(count);
        writer.writeWString(name);
        writer.writeVec3d(point);
        writer.writeInt32(offset);
        return writer.endObject();
    }
    bool readModel(ITesDataModelReader& reader) override {
        double point[3];
        if (!reader.beginObject(this, version)) return false;
        reader.readUInt32(count);
        reader.readWString(name);
        reader.readVec3d(point);
        reader.readInt32(offset);
        x = point[0];
        y = point[1];
        z = point[2];
        return reader.endObject();
    }

    static constexpr uint32_t kVersion = 3;
    uint32_t version = 0;
    uint32_t count = 7;
    TesString name = u"Ab";
    double x = 1.0, y = 2.0, z = 3.0;
    int32_t offset = -2;
};
