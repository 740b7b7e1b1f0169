#include "platform/Values.h"

#include <climits>
#include <cmath>

namespace platform {

int intValueOfText(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    long long value = 0;
    while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9') {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > 1LL + INT_MAX) value = 1LL + INT_MAX;
        ++i;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

bool boolValue(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return false;
    if (isText(v)) {
        const QString s = v.toString().trimmed();
        if (s.compare(u"yes", Qt::CaseInsensitive) == 0 || s.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        return intValueOfText(s) != 0;
    }
    if (isList(v) || isDictionary(v)) return false;
    return v.toBool();
}

double doubleValue(const QVariant& v) {
    if (!v.isValid() || v.isNull() || isList(v) || isDictionary(v)) return 0;
    if (isText(v)) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok && std::isfinite(d) ? d : double(intValueOfText(v.toString()));
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && std::isfinite(d) ? d : 0;
}

int intValue(const QVariant& v) {
    if (isText(v)) return intValueOfText(v.toString());
    const double d = doubleValue(v);
    if (d >= double(INT_MAX)) return INT_MAX;
    if (d <= double(INT_MIN)) return INT_MIN;
    return int(d); // drops the fraction
}

QString textValue(const QVariant& v) {
    return isText(v) ? v.toString() : QString();
}

} // namespace platform
