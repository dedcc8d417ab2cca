#pragma once

#include <QThread>

// The one thread where the HTTP and peer servers run; started at once, quit and joined when it goes.
class NetworkThread : public QThread {
public:
    NetworkThread()
    {
        setObjectName(QStringLiteral("network"));
        start();
    }
    ~NetworkThread() override
    {
        quit();
        wait();
    }
};
