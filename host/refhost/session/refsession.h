// The session runner: drives the plug-in's commands through the reference
// host from a script, the way a user would through the host's panels, and
// writes a transcript. One statement a line (see reflines.h):
//
//   scene FILE                 load a scene file (relative to the script)
//   setting|registry|state|phase|camera|unit ...   as in scene files
//   command CLASS              create a command by class name, hand it a
//                              container and a panel, ask isAvailable, build
//                              its panel and start it
//   click KEY [on|off]         press a button or toggle a check box
//   select KEY INDEX           select a combo or list entry
//   set KEY VALUE              type a number into a field and commit it
//   spin KEY VALUE             step a numeric field to a whole VALUE; the
//                              command hears it as a selection change
//   value KEY VALUE            change a field without notifying the command
//   type KEY TEXT              edit the text of a field or editable combo
//   redraw                     the panel asks for a redraw
//   apply | ok | cancel        the panel's buttons; ok and cancel end the
//                              command when it agrees
//   answer yes|no|cancel       the answer to the next question
//   file PATH | file cancel    the answer to the next file dialog
//   widget matrix [LABEL]      build a matrix widget on a panel of its own
//                              (not while a command runs)
//   matrix V1 ... V16          show a matrix in that widget
//   dump panel|camera|settings|dialogs|states|prompt|container|workflows|files|views|animation|selection|commands|coverage
//        markers|fit|objects|panes|automation|busy|asserts
//                              (dialogs: the messages and questions shown since
//                              the last one; files: the file dialogs asked since the last one;
//                              coverage: RefObject's model, its selection and
//                              the graphics document's notifications)
//   picture [pane P] FILE      a PNG of the user's view (or of pane P of the
//                              split layout, with the objects it shows):
//                              black background, objects grey, their
//                              selections green, markers as dots
//   pictures PREFIX            for every render of the last selection run, a
//                              PNG of the user's view with what it saw in
//                              green, PREFIX-s{scanner}-a{angle}.png by the
//                              scanner and angle of RefObject's rig its camera
//                              stood at (a PREFIX ending in / names files in
//                              that folder: s{scanner}-a{angle}.png), and a
//                              line each
//   scan [WORKFLOW] [picture FILE] [pictures PREFIX]
//                              run the automation script of WORKFLOW (or
//                              of the current workflow) as the host does
//                              when the part is scanned: each
//                              capture_verifyAndScan checks the scene's rig
//                              against the recipe file's and, when it is
//                              within the tolerances, renders RefObject
//                              from every camera at every angle of the
//                              recipe; a line per check and shot, the items
//                              seen; a picture of them from the user's
//                              view, and one of what each shot saw, named
//                              as by pictures
//   view ...                   a stored view, as in scene files
//   callback KIND TYPE         the view manager calls its callbacks of KIND
//                              with mouse data of TYPE (a command must run)
//   pick [pane P] FEATURE
//   pick [pane P] OBJECT face K
//   pick [pane P] OBJECT at X Y Z
//   pick [pane P] pixel X Y
//   pick [pane P] OBJECT triangle K
//                              a left-button press in pane P (default 0; it
//                              becomes the active pane) that hits the
//                              document's feature FEATURE or the CAD face K
//                              of OBJECT's mesh, or is made where the model
//                              point X Y Z of OBJECT, or the centre of its
//                              triangle K (from 0), shows (refused when it
//                              is outside the pane or hidden), or at the
//                              centre of a pixel, as a mouse event to the
//                              running command
//   choose KEY OBJECT          the object selector KEY is given OBJECT
//   matrix transform|aligned OBJECT
//                              OBJECT's pose, or the alignment it last
//                              accepted, also shown in the matrix widget
//                              when one is built
//   key CODE                   a key press with key code CODE
//   activate KEY on|off        an embedded widget is switched on or off
//   notify A B C               the three-value preselection notification
//   preselect KIND V1 V2 V3    the preselection asks its activator; prints
//                              "preselect KIND: RESULT accept ACCEPT" or
//                              "preselect KIND: no activator"
//   expect KEY value|text|selection|checked|enabled EXPECTED
//   withdraw NAME...           the host stops offering these services (a
//                              component that already holds one keeps it)
//   echo TEXT
//   show FILE                  print a text file into the transcript
//   save OBJECT FILE           OBJECT's points where its pose puts them, as a
//                              data-model file (document/refpointsave.h)
//
// File words starting with $OUT/ name files in the run's output folder
// (vesper-host run --out DIR); the transcript shows them as $OUT/..., and
// they are refused when the run has no output folder.
//
// KEY is a control key or id. A failed statement or expectation stops the
// session with "file:line: message"; so does an answer or file queued for a
// dialog that never came, at the line that queued the first of them.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "infrastructure/reftext.h"
#include "iptr.h"
#include "gui/refcontainer.h"
#include "session/reflines.h"
#include "gui/refpanel.h"

class RefHost;
class IComponentCommand;
class TesMatrix;
class RefObject;
class RefWorkflow;
class BitVector;
struct RefScanResult;
struct TesVector;

// A matrix as four indented rows, each value as `format` writes it (the
// shortest text that reads back, unless given).
std::string refMatrixText(const TesMatrix& m, std::string (*format)(double) = refFormatDouble);
class ITesMatrixWidget;

struct RefSessionResult {
    bool good = false;
    std::string error;
};

class RefSession {
public:
    RefSession(RefHost& host, std::FILE* out) : host_(host), out_(out) {}
    ~RefSession();

    // Where $OUT/ in file words points; none by default.
    void setOutputFolder(std::string folder) { outFolder_ = std::move(folder); }
    // Everything the session prints is also appended to `transcript` (null: not kept).
    void keepTranscript(std::string* transcript) { transcript_ = transcript; }
    RefSessionResult run(const std::string& path);
    RefSessionResult runLines(const RefLineFile& script, const std::string& name, const std::string& folder);

    using Words = std::vector<std::string>;
    // One statement; an empty text means it went well.
    using Handler = std::string (RefSession::*)(const Words& words);

private:
    std::string execute(const RefLine& line);
    static const std::map<std::string, Handler>& handlers();

    // The host and its document (refsessionhost.cpp).
    std::string loadScene(const Words& words);
    std::string sceneStatement(const Words& words);
    std::string withdraw(const Words& words);
    std::string queueAnswer(const Words& words);
    std::string queueFile(const Words& words);
    std::string echo(const Words& words);
    std::string showFile(const Words& words);
    std::string savePoints(const Words& words);
    // The document's object `name`, or null with `error` "VERB: no object NAME".
    RefObject* findObject(const std::string& verb, const std::string& name, std::string& error);
    // The line that queued the oldest answer no dialog took, or 0.
    int firstUnusedAnswerLine() const;

    // Commands (refsession.cpp).
    std::string startCommand(const Words& words);
    std::string endCommand(const Words& words);
    std::string apply(const Words& words);
    std::string redraw(const Words& words);
    // The running command, or why there is none.
    IComponentCommand* running(const std::string& verb, std::string& error);
    void stopCommand();

    // The panel and widgets (refsessionpanel.cpp).
    std::string click(const Words& words);
    std::string select(const Words& words);
    std::string typeText(const Words& words);
    std::string setValue(const Words& words);
    std::string spin(const Words& words);
    std::string expect(const Words& words);
    std::string buildWidget(const Words& words);
    std::string showMatrix(const Words& words);
    RefControl* control(const std::string& key, std::string& error);
    // The control a user acts on: found, enabled and shown, with its receiver.
    RefControl* usableControl(const Words& words, size_t wordCount, IGuiReceiver** receiver, std::string& error);

    // Picks, keys and the preselection (refsessionpicks.cpp).
    std::string pick(const Words& words);
    std::string key(const Words& words);
    std::string activate(const Words& words);
    std::string notify(const Words& words);
    std::string preselect(const Words& words);

    // Dumps (refsessiondump.cpp).
    std::string dump(const Words& words);
    // The two-object alignment (refsessionalign.cpp): picks at a point of an
    // object or at a pixel, the object selector, object poses, and the dumps
    // markers, fit, objects, panes, automation and busy (empty for others).
    std::string pickAtPoint(IComponentCommand* command, int pane, const Words& words, size_t first);
    std::string pickAtPixel(IComponentCommand* command, int pane, const Words& words, size_t first);
    std::string pickTriangle(IComponentCommand* command, int pane, const Words& words, size_t first);
    // A click where `model` (OBJECT's model coordinates) shows in the pane,
    // refused outside the pane or where the object hides it.
    std::string clickOnObject(IComponentCommand* command, int pane, RefObject* object, const TesVector& model,
                              const std::string& where);
    std::string choose(const Words& words);
    std::string objectMatrix(const Words& words);
    std::string alignmentText(const std::string& what);

    // Pictures and the selection of visible surface (refsessioncoverage.cpp).
    std::string picture(const Words& words);
    std::string pictures(const Words& words);
    std::string scan(const Words& words);
    std::string runScanScript(RefWorkflow& workflow, RefScanResult& last);
    bool writeSeen(const std::string& path, const BitVector& seen, std::string& error);
    std::string coverageText();

    // Views and cameras (refsessionviews.cpp).
    std::string fireCallback(const Words& words);
    std::string viewsText();
    std::string animationText();

    void print(const std::string& text);
    // `path` as the script names it: relative paths start at its folder,
    // $OUT/ at the output folder; `error` says why there is none.
    std::string resolve(const std::string& path, std::string* error) const;

    RefHost& host_;
    std::FILE* out_;
    std::string folder_;
    std::string outFolder_;
    std::string* transcript_ = nullptr;
    // Lines that queued answers and file answers, oldest first.
    int line_ = 0;
    std::vector<int> answerLines_;
    std::vector<int> fileLines_;
    // The panel statements act on: the running command's, or the widget's.
    IPtr<RefPanel> panel_;
    IPtr<RefContainer> container_;
    IPtr<ITesUnknown> commandObject_;
    IComponentCommand* command_ = nullptr;
    // The widget keeps a raw pointer to its panel: it lives as long as the widget.
    IPtr<RefPanel> widgetPanel_;
    IPtr<ITesUnknown> widgetObject_;
    ITesMatrixWidget* widget_ = nullptr;
};
