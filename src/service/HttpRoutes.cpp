#include "MacRemoteService.h"

#include "KeyTargetReport.h"

#include <utility>

std::vector<HttpOutcome> MacRemoteService::answerHttpRoutes(const std::vector<RouteRequest>& requests)
{
    m_heldNotifications.emplace();
    std::vector<HttpOutcome> outcomes;
    outcomes.reserve(requests.size());
    for (const RouteRequest& request : requests)
        outcomes.push_back(answerHttpRoute(request));
    const std::vector<Notification> held = *std::exchange(m_heldNotifications, std::nullopt);
    for (const Notification notification : held)
        Q_EMIT(this->*notification)();
    return outcomes;
}

HttpOutcome MacRemoteService::answerHttpRoute(const RouteRequest& request)
{
    using Kind = HttpOutcome::Kind;
    switch (request.route) {
    case HttpRoute::next:
    case HttpRoute::previous:
        executeCommand(request.route == HttpRoute::next ? RemoteCommand::next : RemoteCommand::previous);
        // A pending text rides on the answer to the phone's next command.
        if (std::optional<QByteArray> body = takePendingTextBody())
            return { Kind::pendingText, *body };
        return { Kind::commandDone, {} };
    case HttpRoute::pendingText:
        if (std::optional<QByteArray> body = takePendingTextBody())
            return { Kind::pendingText, *body };
        return { Kind::noPendingText, {} };
    case HttpRoute::sendText:
        return handleSendTextRequest(request.body);
    case HttpRoute::keyTarget:
        return { Kind::keyTarget, keyTargetJson(refreshKeyTarget()) };
    case HttpRoute::unknown:
        break;
    }
    return { Kind::unknown, {} };
}
