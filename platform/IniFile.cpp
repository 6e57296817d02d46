#include "platform/IniFile.h"

#include "platform/Exceptions.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

TIniFile::TIniFile(QString fileName)
    : FFileName(std::move(fileName))
{
}

std::vector<TIniFile::Section> TIniFile::Load() const
{
    std::vector<Section> sections;
    QFile file(FFileName);
    if (!file.exists())
        return sections;
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot read %1: %2").arg(FFileName, file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            sections.push_back({line.mid(1, close < 0 ? -1 : close - 1).trimmed(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0 || sections.empty())
            continue;
        sections.back().Entries.push_back({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
    return sections;
}

void TIniFile::Save(const std::vector<Section>& sections) const
{
    QString text;
    for (const Section& section : sections) {
        text += u'[' + section.Name + QStringLiteral("]\n");
        for (const Entry& entry : section.Entries)
            text += entry.Key + u'=' + entry.Value + u'\n';
    }
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw EInOutError(QStringLiteral("Cannot write %1: %2").arg(FFileName, file.errorString()));
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    for (const Section& s : Load()) {
        if (!SameName(s.Name, section))
            continue;
        for (const Entry& entry : s.Entries)
            if (SameName(entry.Key, key))
                return entry.Value;
    }
    return defaultValue;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    bool ok = false;
    const int value = ReadString(section, key, QString()).toInt(&ok);
    return ok ? value : defaultValue;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    // A line break in a value would start a new line of the file.
    QString clean = value;
    clean.replace(u'\r', u' ').replace(u'\n', u' ');
    std::vector<Section> sections = Load();
    auto s = std::find_if(sections.begin(), sections.end(),
                          [&](const Section& x) { return SameName(x.Name, section); });
    if (s == sections.end()) {
        sections.push_back({section, {}});
        s = sections.end() - 1;
    }
    auto e = std::find_if(s->Entries.begin(), s->Entries.end(),
                          [&](const Entry& x) { return SameName(x.Key, key); });
    if (e == s->Entries.end())
        s->Entries.push_back({key, clean.trimmed()});
    else
        e->Value = clean.trimmed();
    Save(sections);
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}
