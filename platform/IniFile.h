#pragma once
// INI file access: read and write a string or an integer by section and key.
// Sections and keys compare without regard to case; values are trimmed of
// surrounding blanks. A missing file or key gives the default. Every write
// rewrites the file at once, keeping the order of what was there.

#include <QString>
#include <vector>

class TIniFile {
public:
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    // A value that is not an integer gives the default.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);

private:
    struct Entry {
        QString Key;
        QString Value;
    };
    struct Section {
        QString Name;
        std::vector<Entry> Entries;
    };

    // Reads the file; a missing file is an empty one, an unreadable one raises.
    std::vector<Section> Load() const;
    void Save(const std::vector<Section>& sections) const;

    QString FFileName;
};
