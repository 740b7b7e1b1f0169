#pragma once
#include "parser/FeedModel.h"

class QWidget;

// The lines the description window shows above a description: the title, the
// date and the link of the item or channel it belongs to. The labels are the
// window's own (webTitleLabel, webDateLabel, webLinkLabel in the interface file);
// a window without them shows the description alone. A line with nothing to say
// is hidden, and the link opens through the safe opener.
void showDescriptionHeader(QWidget* window, const FeedItem& itemOrChannel);
void showDescriptionHeader(QWidget* window, const FeedChannel& itemOrChannel);
void clearDescriptionHeader(QWidget* window);
