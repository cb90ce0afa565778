#pragma once

#include <QString>

namespace velmora {

// "<sentence> Its last message was: <message>", or the sentence alone without a message: how a reason
// names the last thing an engine said about a row.
QString WithLastMessage(const QString& sentence, const QString& lastMessage);

} // namespace velmora
