#include "parser/HtmlHeadLinks.h"

#include <algorithm>
#include <climits>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <memory>

namespace {

bool isElement(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE &&
           xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

QString attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    const QString text = value ? QString::fromUtf8(reinterpret_cast<const char*>(value)) : QString();
    xmlFree(value);
    return text;
}

xmlNode* childElement(xmlNode* parent, const char* name) {
    for (xmlNode* child = parent ? parent->children : nullptr; child; child = child->next)
        if (isElement(child, name)) return child;
    return nullptr;
}

} // namespace

HtmlHead readHtmlHead(const QByteArray& page, std::size_t maxBytes) {
    HtmlHead head;
    const int size = int(std::min<std::size_t>({std::size_t(page.size()), maxBytes, std::size_t(INT_MAX)}));
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
        htmlReadMemory(page.constData(), size, nullptr, nullptr,
                       HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING),
        xmlFreeDoc);
    if (!doc) return head;
    xmlNode* headElement = childElement(childElement(reinterpret_cast<xmlNode*>(doc.get()), "html"), "head");
    for (xmlNode* child = headElement ? headElement->children : nullptr; child; child = child->next) {
        if (isElement(child, "link"))
            head.links.append({attribute(child, "rel"), attribute(child, "type"), attribute(child, "href")});
        else if (isElement(child, "base") && head.baseHref.isEmpty())
            head.baseHref = attribute(child, "href");
    }
    return head;
}
