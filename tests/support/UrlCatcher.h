#pragma once
// Stands in for the browser while it lives: every http(s) address the
// program hands to the desktop is recorded instead of opened.

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    TUrlCatcher()
    {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
    }
    ~TUrlCatcher() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    TUrlCatcher(const TUrlCatcher&) = delete;
    TUrlCatcher& operator=(const TUrlCatcher&) = delete;

    QList<QUrl> Urls;

public Q_SLOTS:
    void Open(const QUrl& url) { Urls << url; }
};
