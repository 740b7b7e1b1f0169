#pragma once
#include "core/InterfacePart.h"

#include <QObject>
#include <QString>
#include <memory>

class QLabel;
class QTextBrowser;
class QWidget;

// The one small window that shows an item's or a channel's full description,
// loaded from the interface file the first time a description is shown.
class DescriptionWindow : public QObject {
    Q_OBJECT
  public:
    explicit DescriptionWindow(BundleSource bundle);
    ~DescriptionWindow() override;

    struct Outlets {
        QWidget* webWindow = nullptr;
        QTextBrowser* webView = nullptr;
        QLabel* webNameLabel = nullptr;
    };
    // Loads the window unless it is loaded; false when it cannot be.
    bool load();
    const Outlets& outlets() const { return outlets_; }
    const QString& loadError() const { return part_.error(); }

    // Shows the HTML, named by label, and brings the window to the front.
    void showDescription(const QString& html, const QString& label);

  public slots:
    void closeWebWindow(QObject* sender);

  private:
    InterfacePart part_;
    Outlets outlets_;
};
