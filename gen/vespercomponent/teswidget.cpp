#include "teswidget.h"

#include "queryinterface.h"

void TesWidget::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {"TesWidget",
                    this,
                    static_cast<ITesWidget*>(this),
                    {{"ITesWidget", static_cast<ITesWidget*>(this)}, {"IGuiReceiver", static_cast<IGuiReceiver*>(this)}}});
}
