#pragma once

class QQmlApplicationEngine;

// Loads the one window into the engine; false when it could not be created. The view singletons must be provided.
bool loadMainWindow(QQmlApplicationEngine& engine);
