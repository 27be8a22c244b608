#include "refhost.h"

#include <vector>

#include "os/sharedlibrary.h"
#include "infrastructure/refsettingsfile.h"
#include "infrastructure/refxml.h"
#include "servicelookup.h"

namespace {

constexpr const char* kPluginFileName = "libvespercomponent.so";
constexpr const char* kBucketPoolService = "IBucketMemoryPool";
constexpr const char* kTranslatorService = "ITesTranslatorService";
constexpr const char* kXmlService = "ITesDOMXmlV2";

// Objects a loaded plug-in may reach until the process ends: it keeps raw
// pointers to the manager and function-static references to services.
void keepUntilExit(ITesUnknown* object) {
    static auto* kept = new std::vector<IPtr<ITesUnknown>>;
    kept->emplace_back(object);
}

}  // namespace

RefHost::RefHost(const RefHostOptions& options)
    : options_(options), manager_(new RefComponentManager), memoryManager_(new RefMemoryManager), errors_(new RefErrorService),
      asserts_(new RefAssertHandler), settings_(new RefDataStore), registry_(new RefRegistry),
      dialogs_(new RefSimpleDlg), fileDialogs_(new RefGuiUtil), statusBar_(new RefStatusBar), cursor_(new RefCursor), busyBlock_(new RefBusyBlock),
      document_(new RefDocument), commandState_(new RefCommandState(document_.get())), views_(new RefViewMgr),
      graphics_(new RefGenGfxService(views_.get())),
      renderer_(new RefRenderer(document_.get(), views_.get(), graphics_.get())),
      visBuffers_(new RefVisBufferFactory), graphicsDocument_(new RefGfxDoc(views_.get())),
      strSupport_(new RefStrSupport), units_(new RefUnitService), directories_(new RefDirService),
      memChecker_(new RefMemChecker), progress_(new RefProgress), random_(new RefRandom),
      pointArrayFactory_(new RefRealPArrayFactory), pointColors_(new RefPointExtraInfo),
      preselect_(new RefPreselectMgr), selectors_(std::make_shared<RefSelectorRegistry>()),
      commandAccess_(new RefCommandAccess(document_.get(), views_.get(), graphics_.get())),
      picking_(new RefPickOnModel(views_.get(), graphics_.get())) {
    manager_->addService(memoryManager_.get(), {"ITesMManager"});
    manager_->addService(errors_.get(), {"ITesErrorService"});
    manager_->addService(asserts_.get(), {"ITesAssertHandlerCB"});
    manager_->addService(settings_.get(), {"IDataStore"});
    manager_->addService(registry_.get(), {"ITesRegistry"});
    manager_->addService(dialogs_.get(), {"IGuiSimpleDlg"});
    manager_->addService(fileDialogs_.get(), {"IGuiUtil"});
    manager_->addService(statusBar_.get(), {"IGuiStatusBar"});
    manager_->addService(cursor_.get(), {"IGuiCursor"});
    manager_->addService(busyBlock_.get(), {"IGuiBusyBlock"});
    manager_->addService(static_cast<ITesDoc*>(document_.get()), {"ITesDoc", "IPhaseService", "IStateMgr"});
    manager_->addService(views_.get(), {"IGfxViewMgr"});
    manager_->addService(renderer_.get(), {"IGfxRenderer"});
    manager_->addService(graphics_.get(), {"IGenGfxService"});
    manager_->addService(strSupport_.get(), {"ITesStrSupport"});
    manager_->addService(directories_.get(), {"ITesDirService"});
    manager_->addService(memChecker_.get(), {"IMemChecker"});
    manager_->addService(static_cast<ITesProgress*>(progress_.get()), {"ITesProgress"});
    manager_->addService(random_.get(), {"ITesRandom"});
    manager_->addService(pointArrayFactory_.get(), {"IRealPArrayFactory"});
    manager_->addService(pointColors_.get(), {"ITesPointExtraInfo"});
    manager_->addService(units_.get(), {"IUnitService"});
    manager_->addService(workflows_.get(), {"ITesWorkflowManager"});
    manager_->addServiceFactory(kXmlService, [] { return static_cast<ITesUnknown*>(new RefXmlDocument); });
    registerViews();
    manager_->addService(preselect_.get(), {"ITesPreselectMgr"});
    manager_->addService(commandAccess_.get(), {"ICommandAccess"});
    manager_->addServiceFactory("ITesFeatureSelectorWidget", [selectors = selectors_] {
        return static_cast<ITesUnknown*>(static_cast<ITesFeatureSelectorWidget*>(selectors->create()));
    });
    registerComputation();
    registerAlignmentWidgets();
    refSeedSettings(*this);
}

// What a two-object alignment uses beside the views: markers and object
// selectors (a new one per lookup), key names, the visibility of objects in
// panes, the progress split and the automation record.
void RefHost::registerAlignmentWidgets() {
    manager_->addServiceFactory("ITesMarkersWidget", [] {
        return static_cast<ITesUnknown*>(static_cast<ITesMarkersWidget*>(new RefMarkersWidget));
    });
    RefDocument* document = document_.get();
    manager_->addServiceFactory("ITesObjSelector", [document] {
        return static_cast<ITesUnknown*>(static_cast<ITesObjSelector*>(new RefObjSelector(document)));
    });
    IPtr<RefThemeMgr> theme(new RefThemeMgr);
    manager_->addService(static_cast<IGuiThemeMgr*>(theme.get()), {"IGuiThemeMgr", "IUpdateGui"});
    IPtr<RefObjectVisibilityMgr> visibility(new RefObjectVisibilityMgr);
    manager_->addService(visibility.get(), {"ITesObjectVisibilityMgr"});
    manager_->addService(static_cast<ITesProgressSplit*>(progress_.get()), {"ITesProgressSplit"});
    manager_->addService(automation_.get(), {"ITesAutomationNodeFactory"});
}

// The aligner, its input, the normal calculator and the pick on a model.
void RefHost::registerComputation() {
    manager_->addService(aligner_.get(), {"IAligner"});
    manager_->addServiceFactory("IAligner_Input_Dummy",
                                [] { return static_cast<ITesUnknown*>(new RefAlignerInput); });
    manager_->addService(normals_.get(), {"IPointNormalCalculator"});
    manager_->addService(picking_.get(), {"ITesPickOnModel"});
}

// The views, the theme of stored views, the layout, the camera animator,
// the visibility buffers and the graphics side of the document;
// every lookup of "IView" makes a new view.
void RefHost::registerViews() {
    viewTheme_ = new RefViewTheme;
    viewLayout_ = new RefViewLayout(views_.get());
    animator_ = new RefCameraAnimator;
    views_->useServices(manager_.get());
    manager_->addService(viewTheme_.get(), {"IViewTheme"});
    manager_->addService(viewLayout_.get(), {"IViewLayout"});
    manager_->addService(visBuffers_.get(), {"IGfxPickVisBufferFact"});
    manager_->addService(graphicsDocument_.get(), {"IGfxDoc"});
    manager_->addService(animator_.get(), {"ITesAnimateCameraUtil"});
    RefViewMgr* views = views_.get();
    manager_->addServiceFactory("IView", [views] { return static_cast<ITesUnknown*>(new RefView(views)); });
}

void RefHost::offerBucketPool() {
    if (!bucketPool_) bucketPool_ = new BucketMemoryPool;
    manager_->addService(bucketPool_.get(), {kBucketPoolService});
}

void RefHost::withdrawBucketPool() {
    manager_->removeService(kBucketPoolService);
    bucketPool_.reset();
}

bool RefHost::loadTranslations(const std::string& path, std::string& error) {
    if (translations_) return translations_->load(path, error);
    IPtr<RefTranslatorService> service(new RefTranslatorService);
    if (!service->load(path, error)) return false;
    translations_ = service;
    manager_->addService(translations_.get(), {kTranslatorService});
    return true;
}

void RefHost::installInLibrary() {
    keepUntilExit(manager_.get());
    tesSetComponentManager(manager_.get());
    offerPoolOnce();
}

// The pool allocates through the host's copy of the library, which looks its
// memory manager up once: so it is made only when the host starts serving,
// after installInLibrary where that is called.
void RefHost::offerPoolOnce() {
    if (options_.bucketPool && !bucketPool_) offerBucketPool();
}

RefLoadedComponent RefHost::loadComponent(const std::string& path) {
    RefLoadedComponent loaded;
    TesSharedLibrary library = tesLoadLibrary(path);
    if (library.handle == nullptr) {
        loaded.error = "cannot load plug-in: " + library.error;
        return loaded;
    }
    offerPoolOnce();
    auto entryPoint = reinterpret_cast<TesEntryPointFn>(tesFindSymbol(library, kTesEntryPointName));
    if (entryPoint == nullptr) {
        loaded.error = "not a component (no EntryPoint): " + path;
        return loaded;
    }
    if (entryPoint(&loaded.interfaceVersion, &loaded.component) != 1 || loaded.component == nullptr) {
        loaded.error = "EntryPoint of " + path + " returned no component";
        return loaded;
    }
    keepUntilExit(manager_.get());
    keepUntilExit(loaded.component);
    loaded.internal = tesQuery<ITesCompInternal>(loaded.component, "ITesCompInternal");
    if (!loaded.component->initialize(manager_.get(), nullptr)) {
        loaded.error = "the component refused to initialise: " + path;
        return loaded;
    }
    manager_->addComponent(loaded.component);
    loaded.good = true;
    return loaded;
}

std::string refDefaultPluginPath() {
    const std::string folder = tesExecutableDirectory();
    return folder.empty() ? std::string(kPluginFileName) : folder + "/" + kPluginFileName;
}
