#include "service/MacRemoteService.h"

namespace {

HttpAnswer plainAnswer(QByteArray status, QByteArray body) { return { std::move(status), false, std::move(body) }; }

}

HttpAnswer MacRemoteService::answerHttpRoute(HttpRoute route, const QString& request)
{
    switch (route) {
    case HttpRoute::next:
    case HttpRoute::previous: {
        executeCommand(route == HttpRoute::next ? RemoteCommand::next : RemoteCommand::previous);
        // A pending text rides on the answer to the phone's next command.
        if (std::optional<QByteArray> body = takePendingTextBody())
            return { "200 OK", true, *body };
        return plainAnswer("200 OK", "ok");
    }
    case HttpRoute::pendingText:
        if (std::optional<QByteArray> body = takePendingTextBody())
            return { "200 OK", true, *body };
        return plainAnswer("204 No Content", "{}");
    case HttpRoute::sendText:
        return handleSendTextRequest(request);
    case HttpRoute::ping:
        return plainAnswer("200 OK", "pong");
    case HttpRoute::unknown:
        break;
    }
    return plainAnswer("404 Not Found", "unknown command");
}
