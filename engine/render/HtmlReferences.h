#pragma once

#include <QString>

namespace velmora {

// HTML text with its character references decoded as a browser reads them in text: every named
// reference of the HTML standard (the older names also without their semicolon) and every numeric one,
// decimal or hexadecimal, with the standard's replacements for numbers that name no character.
QString DecodeHtmlReferences(const QString& text);

} // namespace velmora
