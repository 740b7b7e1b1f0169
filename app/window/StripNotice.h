#pragma once
#include <QList>
#include <QString>
#include <QVariantList>

// What the strip says while it holds no sign, from the sources of every plug-in
// that reports them (PNSourceStatus): how to add the first feed, or that the
// enabled feeds all fail. Empty when there is nothing to say, or nothing reports.
QString stripNoticeFor(const QList<QVariantList>& sourcesOfEachPlugin);
