#include "app/KivResources.h"

#include <QIcon>

// Outside any namespace: the macro names the resource's own init function.
static void InitMorvaneResource()
{
    Q_INIT_RESOURCE(morvane);
}

void InitKivResources()
{
    InitMorvaneResource();
}

QIcon KivAppIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/morvane/morvane-16.png"));
    icon.addFile(QStringLiteral(":/morvane/morvane-32.png"));
    return icon;
}
