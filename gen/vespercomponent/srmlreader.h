// Reads an SRML file into a document through the host's XML service.
#pragma once

#include "hostapi/infrastructure.h"
#include "hostapi/srml.h"

class SRMLReader {
public:
    // `document` must have model data.
    explicit SRMLReader(ITesSRML& document) : document_(document) {}

    // Adds the file's turntable, scanners and recipes to the document. False
    // at the first broken rule of the format, keeping what was added before.
    bool read(const TesString& path);

private:
    bool readRootChild(ITesXmlElement& child);
    bool readModel(ITesXmlElement& model);
    bool readScanner(ITesXmlElement& scanner);
    bool readRecipe(ITesXmlElement& element);
    bool readAngle(ITesXmlElement& element, ITesSRMLRecipe& recipe);
    void readPropertyList(ITesXmlElement& list, ITesSRMLScanProperties& properties);

    ITesSRML& document_;
    // Attribute values and texts are read into these, so that a file of many
    // angles does not make and free a string per value.
    TesString value_;
    TesString id_;
    TesString text_;
    // An angle's cameras, gathered here and handed over at once.
    SRMLScannerIds ids_;
    SRMLScanPropertiesList cameras_;
};
