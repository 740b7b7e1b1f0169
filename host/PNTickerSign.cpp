#include "host/PNTickerSign.h"

#define PN_ACCESSOR(Type, get, set, field)                                                                   \
    Type PNTickerSign::get() const {                                                                         \
        std::lock_guard lock(mutex_);                                                                        \
        return field;                                                                                        \
    }                                                                                                        \
    void PNTickerSign::set(Type value) {                                                                     \
        std::lock_guard lock(mutex_);                                                                        \
        field = value;                                                                                       \
    }

PN_ACCESSOR(PNScrollDirection, scrollDirection, setScrollDirection, scrollDirection_)
PN_ACCESSOR(PNFadeInOutType, fadeInOutType, setFadeInOutType, fadeInOutType_)
PN_ACCESSOR(bool, continuousScrolling, setContinuousScrolling, continuousScrolling_)
PN_ACCESSOR(int, loopCount, setLoopCount, loopCount_)
PN_ACCESSOR(PNSize, size, setSize, size_)
PN_ACCESSOR(PNPennantActionType, actionType, setActionType, actionType_)
PN_ACCESSOR(QString, toolTip, setToolTip, toolTip_)
#undef PN_ACCESSOR

QString PNTickerSign::actionString() const {
    std::lock_guard lock(mutex_);
    return actionString_;
}

void PNTickerSign::setActionString(const QString& action) {
    std::lock_guard lock(mutex_);
    actionString_ = action;
    hasActionString_ = true;
}

bool PNTickerSign::hasActionString() const {
    std::lock_guard lock(mutex_);
    return hasActionString_;
}

QImage PNTickerSign::image() const {
    std::lock_guard lock(mutex_);
    return image_;
}

void PNTickerSign::setImage(const QImage& image) {
    std::lock_guard lock(mutex_);
    image_ = image;
}

PNTextTickerSign& PNTextTickerSign::initWithAttributedString(const PNAttributedString& text) {
    setText(text);
    return *this;
}

PNAttributedString PNTextTickerSign::text() const {
    std::lock_guard lock(mutex_);
    return text_;
}

void PNTextTickerSign::setText(const PNAttributedString& text) {
    std::lock_guard lock(mutex_);
    text_ = text;
}

PNImageTickerSign& PNImageTickerSign::initWithImage(const QImage& image, PNSize displaySize) {
    setImage(image);
    setSize(displaySize);
    return *this;
}
