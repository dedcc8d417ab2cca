#include "SceneGraphBackend.h"

#include <QDir>
#include <QQuickWindow>

namespace {

// A render node is what a GPU driver offers for drawing; a machine without one has no hardware OpenGL.
bool hasRenderNode(const QString& deviceFolder)
{
    return !QDir(deviceFolder).entryList({ QStringLiteral("renderD*") }, QDir::System | QDir::Files).isEmpty();
}

}

void chooseSceneGraphBackend(const QString& deviceFolder)
{
    if (qEnvironmentVariableIsSet("QT_QUICK_BACKEND") || qEnvironmentVariableIsSet("QSG_RHI_BACKEND"))
        return;
    if (!hasRenderNode(deviceFolder))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}
