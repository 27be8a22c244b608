// The reference host: a component manager with the core services registered,
// and the loading of plug-ins through their EntryPoint.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "bucketmemorypool.h"
#include "iptr.h"
#include "infrastructure/refcomponentmanager.h"
#include "infrastructure/refdatastore.h"
#include "infrastructure/refdiagnostics.h"
#include "infrastructure/refdirservice.h"
#include "gui/refdialogs.h"
#include "document/refdocument.h"
#include "graphics/refgraphics.h"
#include "graphics/refanimator.h"
#include "graphics/refviews.h"
#include "graphics/refvisibility.h"
#include "infrastructure/refmemchecker.h"
#include "infrastructure/refmemorymanager.h"
#include "infrastructure/refstrsupport.h"
#include "document/refpointarrays.h"
#include "document/refworkflow.h"
#include "infrastructure/refunits.h"
#include "infrastructure/refprogress.h"
#include "infrastructure/reftranslator.h"
#include "infrastructure/refrandom.h"
#include "document/refcommandaccess.h"
#include "gui/refselection.h"
#include "computation/refaligner.h"
#include "computation/refnormals.h"
#include "graphics/refpicking.h"
#include "computation/refautomation.h"
#include "graphics/refpanes.h"
#include "gui/refmarkers.h"
#include "gui/reftheme.h"

struct RefLoadedComponent {
    bool good = false;
    std::string error;  // why loading failed
    ITesComponent* component = nullptr;
    ITesCompInternal* internal = nullptr;
    uint32_t interfaceVersion = 0;
};

struct RefHostOptions {
    // Offer a bucket memory pool as "IBucketMemoryPool" once the host starts
    // serving (installInLibrary or the first loadComponent).
    bool bucketPool = true;
};

class RefHost {
public:
    RefHost() : RefHost(RefHostOptions{}) {}
    explicit RefHost(const RefHostOptions& options);

    RefComponentManager& manager() { return *manager_; }
    RefMemoryManager& memoryManager() { return *memoryManager_; }
    RefErrorService& errors() { return *errors_; }
    RefAssertHandler& asserts() { return *asserts_; }
    RefDataStore& settings() { return *settings_; }
    RefRegistry& registry() { return *registry_; }
    RefSimpleDlg& dialogs() { return *dialogs_; }
    RefGuiUtil& fileDialogs() { return *fileDialogs_; }
    RefStatusBar& statusBar() { return *statusBar_; }
    RefCursor& cursor() { return *cursor_; }
    RefBusyBlock& busyBlock() { return *busyBlock_; }
    RefDocument& document() { return *document_; }
    RefCommandState& commandState() { return *commandState_; }
    RefViewMgr& views() { return *views_; }
    RefCamera& camera() { return views_->current().refCamera(); }
    RefRenderer& renderer() { return *renderer_; }
    RefGenGfxService& graphics() { return *graphics_; }
    RefVisBufferFactory& visBuffers() { return *visBuffers_; }
    RefGfxDoc& graphicsDocument() { return *graphicsDocument_; }
    RefViewTheme& viewTheme() { return *viewTheme_; }
    RefViewLayout& viewLayout() { return *viewLayout_; }
    RefCameraAnimator& animator() { return *animator_; }
    RefStrSupport& strSupport() { return *strSupport_; }
    RefUnitService& units() { return *units_; }
    RefDirService& directories() { return *directories_; }
    RefMemChecker& memChecker() { return *memChecker_; }
    // The pool the host offers, or null while it offers none.
    BucketMemoryPool* bucketPool() { return bucketPool_.get(); }

    // Creates the host's pool on first call (it becomes the current pool of
    // the host's copy of the library) and offers it as "IBucketMemoryPool".
    void offerBucketPool();
    // Stops offering the pool; components that already use it keep it.
    void withdrawBucketPool();
    RefProgress& progress() { return *progress_; }
    RefRandom& random() { return *random_; }
    RefRealPArrayFactory& pointArrayFactory() { return *pointArrayFactory_; }
    // The empty colour object offered as "ITesPointExtraInfo".
    RefPointExtraInfo& pointColors() { return *pointColors_; }
    RefWorkflowManager& workflows() { return *workflows_; }
    // Selection: "ITesPreselectMgr", the feature selectors made for
    // "ITesFeatureSelectorWidget", and "ICommandAccess".
    RefPreselectMgr& preselect() { return *preselect_; }
    RefSelectorRegistry& selectors() { return *selectors_; }
    RefCommandAccess& commandAccess() { return *commandAccess_; }
    // "IAligner" (each lookup of "IAligner_Input_Dummy" makes a new input),
    // "IPointNormalCalculator" and "ITesPickOnModel".
    RefAligner& aligner() { return *aligner_; }
    RefPointNormalCalculator& normals() { return *normals_; }
    RefPickOnModel& picking() { return *picking_; }
    // "ITesAutomationNodeFactory": the nodes commands recorded.
    RefAutomationNodeFactory& automation() { return *automation_; }

    // Reads the translation table at `path` (format in reftranslator.h); the
    // first success offers "ITesTranslatorService", so a host that never loads
    // a table has no translator. On failure `error` says why (file:line) and
    // the table loaded before, if any, stays. A component asks once per
    // process: load before it shows its first text.
    bool loadTranslations(const std::string& path, std::string& error);
    // The service once a table was loaded, null before.
    RefTranslatorService* translations() { return translations_.get(); }

    // Makes the host's own copy of the library count and look up services
    // through this manager, as the plug-in does after initialize.
    void installInLibrary();

    // Loads the plug-in at `path`, calls its EntryPoint and initialises the
    // component with this host's manager. The library stays loaded, and the
    // manager alive, until the process ends.
    RefLoadedComponent loadComponent(const std::string& path);

    // A failure of the host itself that a run must not go on from, such as a
    // settings file that can no longer be saved; the first one is kept.
    void fail(const std::string& message) {
        if (failure_.empty()) failure_ = message;
    }
    // Empty while nothing failed.
    const std::string& failure() const { return failure_; }

private:
    void offerPoolOnce();
    void registerViews();
    void registerComputation();
    void registerAlignmentWidgets();

    RefHostOptions options_;
    IPtr<RefComponentManager> manager_;
    IPtr<RefMemoryManager> memoryManager_;
    IPtr<RefErrorService> errors_;
    IPtr<RefAssertHandler> asserts_;
    IPtr<RefDataStore> settings_;
    IPtr<RefRegistry> registry_;
    IPtr<RefSimpleDlg> dialogs_;
    IPtr<RefGuiUtil> fileDialogs_;
    IPtr<RefStatusBar> statusBar_;
    IPtr<RefCursor> cursor_;
    IPtr<RefBusyBlock> busyBlock_;
    IPtr<RefDocument> document_;
    IPtr<RefCommandState> commandState_;
    IPtr<RefViewMgr> views_;
    IPtr<RefGenGfxService> graphics_;
    IPtr<RefRenderer> renderer_;
    IPtr<RefVisBufferFactory> visBuffers_;
    IPtr<RefGfxDoc> graphicsDocument_;
    IPtr<RefViewTheme> viewTheme_;
    IPtr<RefViewLayout> viewLayout_;
    IPtr<RefCameraAnimator> animator_;
    IPtr<RefStrSupport> strSupport_;
    IPtr<RefUnitService> units_;
    IPtr<RefDirService> directories_;
    IPtr<RefMemChecker> memChecker_;
    IPtr<BucketMemoryPool> bucketPool_;
    IPtr<RefProgress> progress_;
    IPtr<RefTranslatorService> translations_;
    IPtr<RefRandom> random_;
    IPtr<RefRealPArrayFactory> pointArrayFactory_;
    IPtr<RefPointExtraInfo> pointColors_;
    IPtr<RefWorkflowManager> workflows_{new RefWorkflowManager};
    IPtr<RefPreselectMgr> preselect_;
    // Shared with the selector factory, which the manager may keep longer.
    std::shared_ptr<RefSelectorRegistry> selectors_;
    IPtr<RefCommandAccess> commandAccess_;
    IPtr<RefAligner> aligner_{new RefAligner};
    IPtr<RefPointNormalCalculator> normals_{new RefPointNormalCalculator};
    IPtr<RefPickOnModel> picking_;
    IPtr<RefAutomationNodeFactory> automation_{new RefAutomationNodeFactory};
    std::string failure_;
};

// libvespercomponent.so in the folder of the running executable.
std::string refDefaultPluginPath();
