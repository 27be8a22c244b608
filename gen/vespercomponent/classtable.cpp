#include "classtable.h"

#include "classid.h"
#include "classregistry.h"
#include "gendefineviewcmd.h"
#include "genprealigncmd.h"
#include "gensetcameracmd.h"
#include "genwritesrmlautomationcmd.h"
#include "genwritesrmlcmd.h"
#include "hostapi/srml.h"
#include "matrixwidget.h"
#include "servicelookup.h"
#include "srml.h"
#include "srmlmodeldata.h"
#include "srmlrecipe.h"
#include "srmlscanangle.h"
#include "srmlscanproperties.h"

namespace {

constexpr TesClassId kSetCameraId = TesClassId::parse("9f75fbbf-d8e3-4b0c-abb4-cfea6deaf5b9");
constexpr TesClassId kPreAlignId = TesClassId::parse("a8dab7ad-f219-4f98-990a-280d217c6efd");
constexpr TesClassId kEditorId = TesClassId::parse("1849726d-f099-41ae-ba18-fa614c1cc847");
constexpr TesClassId kAutomationId = TesClassId::parse("08703760-42bb-46cf-bdcd-608b7f24b1cb");
constexpr TesClassId kDefineViewId = TesClassId::parse("ccbac68d-51dc-4a40-a41e-ca6df7e3f5a7");
constexpr TesClassId kMatrixWidgetId = TesClassId::parse("96d67206-02c5-4643-9c13-e236cec49466");
constexpr const char* kMatrixWidgetService = "ITesMatrixWidget";

// Once per process, like the item factories.
void registerMatrixWidgetService() {
    static const bool registered = [] {
        ITesComponentManager* manager = tesComponentManager();
        if (manager != nullptr) manager->registerServiceClass(kMatrixWidgetService, &kMatrixWidgetId);
        return manager != nullptr;
    }();
    static_cast<void>(registered);
}

}  // namespace

// In the order of the component's class table.
void registerComponentClasses() {
    tesRegisterClass<GenSetCameraCmd>("GenSetCameraCmd", kSetCameraId);
    tesRegisterClass<GenPreAlignCmd>("GenPreAlignCmd", kPreAlignId);
    tesRegisterClass<MatrixWidget>("MatrixWidget", kMatrixWidgetId);
    registerMatrixWidgetService();
    tesRegisterClass<GenWriteSRMLCmd>("GenWriteSRMLCmd", kEditorId);
    tesRegisterClass<GenWriteSRMLAutomationCmd>("GenWriteSRMLAutomationCmd", kAutomationId);
    tesRegisterClass<GenDefineViewCmd>("GenDefineViewCmd", kDefineViewId);
    tesRegisterClass<SRMLModelData>("SRMLModelData", kSRMLModelDataClassId);
    tesRegisterClass<SRMLScanProperties>("SRMLScanProperties", kSRMLScanPropertiesClassId);
    tesRegisterClass<SRMLScanAngle>("SRMLScanAngle", kSRMLScanAngleClassId);
    tesRegisterClass<SRMLRecipe>("SRMLRecipe", kSRMLRecipeClassId);
    tesRegisterClass<SRML>("SRML", kSRMLClassId);
}
