// Writes a document as an SRML file through the host's XML service.
#pragma once

#include "hostapi/infrastructure.h"
#include "hostapi/srml.h"

class SRMLWriter {
public:
    explicit SRMLWriter(ITesSRML& document) : document_(document) {}

    // Builds the file's element tree and saves it. False when the service is
    // missing, an element could not be made (nothing is saved then) or the
    // save failed.
    bool write(const TesString& path);

private:
    // A new element appended to `parent`; null, marking the write failed, when
    // either is missing.
    IPtr<ITesXmlElement> append(ITesXmlElement* parent, const char16_t* name);
    void writeTransform(ITesXmlElement* parent, const TesMatrix& transform);
    void writeProperty(ITesXmlElement* parent, const char16_t* id, int32_t value);
    void writeModel(ITesXmlElement* root);
    void writeRecipe(ITesXmlElement* list, ITesSRMLRecipe& recipe);
    void writeAngle(ITesXmlElement* list, ITesSRMLScanAngle& angle);

    ITesSRML& document_;
    IPtr<ITesDOMXmlV2> xml_;
    bool good_ = true;
};
