#include "HttpPortSwitch.h"

#include "platform/Settings.h"

HttpPortSwitch::HttpPortSwitch(
    HttpListenerFactory& listeners, PhoneRequestHandler& handler, Settings& settings, QObject* parent)
    : QObject(parent)
    , m_listeners(listeners)
    , m_handler(handler)
    , m_settings(settings)
{
}

HttpPortSwitch::~HttpPortSwitch()
{
    // Silence every listener before the fields its reports would touch go away.
    m_serving.reset();
    m_candidate.reset();
    m_retired.clear();
}

qint64 HttpPortSwitch::storedPort() const { return m_settings.integer(m_storageKey); }

void HttpPortSwitch::start()
{
    const qint64 stored = storedPort();
    const qint64 port = stored < 1 ? defaultPort : stored;
    if (port > 65535) {
        Q_EMIT storedPortInvalid(port);
        return;
    }
    setReady(false);
    setServingPort(quint16(port));
    m_serving = listen(m_servingPort);
}

std::unique_ptr<HttpListener> HttpPortSwitch::listen(quint16 port)
{
    std::unique_ptr<HttpListener> listener = m_listeners.listen(port, m_handler, m_keys);
    HttpListener* reporter = listener.get();
    connect(reporter, &HttpListener::stateChanged, this,
        [this, reporter](HttpListenerState state) { showState(reporter, state); });
    connect(reporter, &HttpListener::refused, this, &HttpPortSwitch::refused);
    return listener;
}

void HttpPortSwitch::setPhoneKeys(const PhoneKeys& keys)
{
    m_keys = keys;
    // Retired listeners too: a request they still gather is checked when it is complete.
    for (HttpListener* listener : { m_serving.get(), m_candidate.get() }) {
        if (listener)
            listener->setPhoneKeys(keys);
    }
    for (const auto& retired : m_retired)
        retired->setPhoneKeys(keys);
}

void HttpPortSwitch::showState(HttpListener* listener, HttpListenerState state)
{
    // A replaced listener reports nothing more.
    if (listener == m_candidate.get())
        return showCandidateState(state);
    if (listener != m_serving.get())
        return;
    setReady(state == HttpListenerState::ready);
    Q_EMIT stateChanged(state, m_servingPort, false);
}

void HttpPortSwitch::applyPort(quint16 port)
{
    // A serving listener goes on serving until the new port is open, so a port that cannot be had locks no phone out.
    if (m_isReady && port != m_servingPort) {
        m_candidatePort = port;
        setCandidate(listen(port));
        return;
    }
    setCandidate(nullptr);
    m_settings.setInteger(m_storageKey, port);
    if (m_serving) {
        retire(std::move(m_serving));
        Q_EMIT stopped(m_servingPort);
    }
    start();
}

void HttpPortSwitch::showCandidateState(HttpListenerState state)
{
    switch (state) {
    case HttpListenerState::starting:
        break;
    case HttpListenerState::ready:
        m_settings.setInteger(m_storageKey, m_candidatePort);
        setServingPort(m_candidatePort);
        retire(std::exchange(m_serving, std::move(m_candidate)));
        Q_EMIT isApplyingChanged();
        break;
    case HttpListenerState::failed:
    case HttpListenerState::notPermitted:
        setCandidate(nullptr);
        break;
    }
    Q_EMIT stateChanged(state, m_candidatePort, state != HttpListenerState::ready);
}

void HttpPortSwitch::setReady(bool isReady)
{
    if (m_isReady == isReady)
        return;
    m_isReady = isReady;
    Q_EMIT readyChanged(isReady);
}

void HttpPortSwitch::setServingPort(quint16 port)
{
    if (m_servingPort == port)
        return;
    m_servingPort = port;
    Q_EMIT servingPortChanged();
}

void HttpPortSwitch::setCandidate(std::unique_ptr<HttpListener> candidate)
{
    const bool wasApplying = isApplying();
    retire(std::exchange(m_candidate, std::move(candidate)));
    if (isApplying() != wasApplying)
        Q_EMIT isApplyingChanged();
}

void HttpPortSwitch::retire(std::unique_ptr<HttpListener> listener)
{
    std::erase_if(m_retired, [](const auto& retired) { return retired->isFinished(); });
    if (!listener)
        return;
    // It answers what it already holds, then finishes; until then it stays here.
    listener->cancel();
    m_retired.push_back(std::move(listener));
}
