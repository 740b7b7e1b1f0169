#include "core/NewsreelPlugin.h"

#include "menu/DescriptionView.h"
#include "prefs/FeedTableModel.h"

#include <QIntValidator>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QWidget>

// Turns what the interface file loaded into what the plug-in shows: the
// description window becomes a window of its own.
void NewsreelPlugin::connectInterface() {
    if (webWindow) webWindow->setParent(interfaceRoot.get(), Qt::Window);
    webView = replaceWithDescriptionView(webView);
    if (feedTable) feedTableModel = new FeedTableModel(this, feedTable);
    // The field accepts what the stepper can reach: shorter titles than 3
    // characters cannot be shortened with "...".
    if (titleLengthText && titleLengthStepper)
        titleLengthText->setValidator(
            new QIntValidator(titleLengthStepper->minimum(), titleLengthStepper->maximum(), titleLengthText));
}
