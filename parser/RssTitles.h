#pragma once
#include "parser/ParsedFeed.h"

// RSS says nothing of what a title holds, and sites write HTML in theirs
// ("1930ft<sup>2</sup>", "<b>Storm</b> warning", "AT&amp;amp;T" in CDATA): the
// channel's and every item's title that holds HTML markup or a reference become
// the text a reader sees. Other titles stay exactly as read.
void plainRssTitles(ParsedFeed& feed);
