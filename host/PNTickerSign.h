#pragma once
#include "host/PNAttributedString.h"
#include "host/PNTypes.h"

#include <QImage>
#include <QString>
#include <memory>
#include <mutex>

// A sign on the ticker. The host and the plug-in both hold it (shared ownership);
// its settings are guarded so that a worker thread may set up a sign while the
// host's main thread draws others.
class PNTickerSign {
  public:
    virtual ~PNTickerSign() = default;

    PNScrollDirection scrollDirection() const;
    void setScrollDirection(PNScrollDirection direction);
    PNFadeInOutType fadeInOutType() const;
    void setFadeInOutType(PNFadeInOutType type);
    bool continuousScrolling() const;
    void setContinuousScrolling(bool continuous);
    int loopCount() const;
    void setLoopCount(int count);
    PNSize size() const;
    void setSize(PNSize size);
    PNPennantActionType actionType() const;
    void setActionType(PNPennantActionType type);
    QString actionString() const;
    void setActionString(const QString& action);
    bool hasActionString() const;
    QImage image() const;
    void setImage(const QImage& image);
    // Plain text the host shows when the pointer rests on the sign (empty: none),
    // such as the whole of a title the sign shows shortened.
    QString toolTip() const;
    void setToolTip(QString toolTip);

    virtual bool isText() const = 0;

  protected:
    mutable std::mutex mutex_;

  private:
    PNScrollDirection scrollDirection_ = PNScrollHorizontal;
    PNFadeInOutType fadeInOutType_ = PNFadeInOutDefault;
    bool continuousScrolling_ = false;
    int loopCount_ = 1;
    PNSize size_;
    PNPennantActionType actionType_ = PNPennantActionTypeNone;
    QString actionString_;
    bool hasActionString_ = false;
    QImage image_;
    QString toolTip_;
};

class PNTextTickerSign : public PNTickerSign {
  public:
    PNTextTickerSign& initWithAttributedString(const PNAttributedString& text);
    PNAttributedString text() const;
    void setText(const PNAttributedString& text);
    bool isText() const override { return true; }

  private:
    PNAttributedString text_;
};

// The image's own pixels stay as they came; size() is the size the sign is shown at.
class PNImageTickerSign : public PNTickerSign {
  public:
    PNImageTickerSign& initWithImage(const QImage& image, PNSize displaySize);
    bool isText() const override { return false; }
};

using PNSignRef = std::shared_ptr<PNTickerSign>;
