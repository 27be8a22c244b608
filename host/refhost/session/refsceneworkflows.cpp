// Scene statements of the host's workflows.
#include "document/refworkflow.h"
#include "refhost.h"
#include "session/refscenestatement.h"

// The scene's first workflow is current unless a later one says so.
void refReadWorkflow(RefSceneState& scene, RefStatement& statement) {
    const std::string name = statement.word("workflow name");
    bool current = false, holder = true;
    while (statement.good() && statement.more()) {
        const std::string word = statement.word("workflow option");
        if (word == "current") current = true;
        else if (word == "noholder") holder = false;
        else statement.fail("expected current or noholder, not " + word);
    }
    if (!statement.complete()) return;
    RefWorkflowManager& workflows = scene.host.workflows();
    RefWorkflow& workflow = workflows.ensure(name, holder);
    if (current || !scene.workflowSeen) workflows.setCurrent(&workflow);
    scene.workflowSeen = true;
}

void refReadWorkflowOwner(RefSceneState& scene, RefStatement& statement) {
    if (scene.lastObject == nullptr) {
        statement.fail("workflowowner needs an object before it");
        return;
    }
    bool uses = true;
    RefWorkflow* held = nullptr;
    while (statement.good() && statement.more()) {
        if (statement.next("query")) {
            uses = statement.flag("query");
        } else if (statement.next("holds")) {
            const std::string name = statement.word("workflow name or none");
            held = name == "none" ? nullptr : scene.host.workflows().find(name);
            if (name != "none" && held == nullptr) statement.fail("no workflow named " + name);
        } else {
            statement.fail("expected query or holds, not " + statement.word("word"));
        }
    }
    if (!statement.complete()) return;
    scene.lastObject->attach(kWorkflowOwnerId,
                             static_cast<ITesWorkflowOwner*>(new RefWorkflowOwner(uses, held ? new RefWorkflowLink(held) : nullptr)));
}
