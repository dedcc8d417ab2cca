#pragma once

#include <QString>

// Picks Qt Quick's scene-graph backend before the first window exists. Without a graphics device, OpenGL is only
// emulated on the CPU (Mesa's llvmpipe) and redraws the whole window for every frame, while Qt Quick's software
// renderer repaints only what changed: the command counter then costs a small patch per frame, not a full frame.
// A backend the user chose (QT_QUICK_BACKEND, QSG_RHI_BACKEND) is kept.
void chooseSceneGraphBackend(const QString& deviceFolder = QStringLiteral("/dev/dri"));
