#include "MacRemoteService.h"

#include <utility>

namespace {

HttpAnswer plainAnswer(QByteArray status, QByteArray body) { return { std::move(status), false, std::move(body) }; }

}

std::vector<HttpAnswer> MacRemoteService::answerHttpRoutes(const std::vector<RouteRequest>& requests)
{
    m_heldNotifications.emplace();
    std::vector<HttpAnswer> answers;
    answers.reserve(requests.size());
    for (const RouteRequest& request : requests)
        answers.push_back(answerHttpRoute(request.route, request.request));
    const std::vector<Notification> held = *std::exchange(m_heldNotifications, std::nullopt);
    for (const Notification notification : held)
        Q_EMIT(this->*notification)();
    return answers;
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
