// A recipe document: the rig's layout and the working recipes, read from and
// written to SRML files.
#pragma once

#include "hostapi/srml.h"

class SRML : public ITesSRML {
public:
    // A fresh model data object and no recipes.
    SRML();

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool initFromReferenceObject(bool create) override;
    bool read(const TesString& path) override;
    bool write(const TesString& path) override;
    ITesSRMLModelData* modelData() override { return modelData_.get(); }
    void setModelData(ITesSRMLModelData* modelData) override { modelData_ = modelData; }
    SRMLRecipeList& recipes() override { return recipes_; }

private:
    // Gives a document whose model data was set to null a fresh one.
    ITesSRMLModelData& ensureModelData();

    IPtr<ITesSRMLModelData> modelData_;
    SRMLRecipeList recipes_;
};

class ITesObject;
class ITesSubObjectMgr;

// The document's object "RefObject", whose sub-objects are the scanning rig
// (the turntable and the scanners); null when the host has none.
ITesObject* srmlReferenceObject();
// The sub-object manager of `object` (the rig's coordinate systems); null
// for a null object or one without sub-objects.
ITesSubObjectMgr* srmlSubObjects(ITesObject* object);
