#pragma once

#include "ScreenGrab.h"
#include "platform/ScreenPicture.h"

#include <QThread>
#include <functional>
#include <memory>

// Pictures read and encoded on a thread of their own, made with the grab at the first picture wanted: most talks
// never ask for one, and starting the app stays light.
class ThreadedScreenPicture : public ScreenPicture {
    Q_OBJECT

public:
    // makeGrab runs on this thread, at the first take(); the grab it makes moves to the picture thread.
    explicit ThreadedScreenPicture(std::function<std::unique_ptr<ScreenGrab>()> makeGrab);
    ~ThreadedScreenPicture() override;

    void take() override;

private:
    void start();
    void answered();

    std::function<std::unique_ptr<ScreenGrab>()> m_makeGrab;
    std::unique_ptr<QThread> m_thread;
    ScreenGrab* m_grab = nullptr; // owned by the picture thread, deleted when it finishes
    bool m_isTaking = false;
    bool m_isWantedAgain = false;
};
