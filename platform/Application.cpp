#include "platform/Application.h"

#include "platform/Dialogs.h"

#include <QAbstractEventDispatcher>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>
#include <memory>

namespace {

bool TerminateRequested = false;

struct IdleHook {
    std::function<void()> Handler;
    QMetaObject::Connection Connection;
    bool Running = false;
};

IdleHook& Idle()
{
    static IdleHook hook;
    return hook;
}

void RunIdleHandler()
{
    IdleHook& hook = Idle();
    if (hook.Running || !hook.Handler)
        return;
    // Not entered again while the handler, or the error box of its failure,
    // runs a nested event loop.
    hook.Running = true;
    const auto handler = hook.Handler; // it may replace itself while it runs
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
    hook.Running = false;
}

} // namespace

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    }
    return false;
}

bool LoadQtTranslations()
{
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(translator.release());
    return true;
}

void SetIdleHandler(std::function<void()> handler)
{
    IdleHook& hook = Idle();
    hook.Handler = std::move(handler);
    if (hook.Connection || !hook.Handler)
        return;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    if (dispatcher)
        hook.Connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, &RunIdleHandler);
}

void Terminate()
{
    TerminateRequested = true;
    if (qobject_cast<TApplication*>(QCoreApplication::instance()))
        QCoreApplication::exit(0);
}

bool Terminated()
{
    return TerminateRequested;
}

void ResetTerminated()
{
    TerminateRequested = false;
}
