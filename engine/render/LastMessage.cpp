#include "render/LastMessage.h"

namespace velmora {

QString WithLastMessage(const QString& sentence, const QString& lastMessage) {
    return lastMessage.isEmpty() ? sentence
                                 : sentence + QStringLiteral(" Its last message was: ") + lastMessage;
}

} // namespace velmora
