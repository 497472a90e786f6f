// The list of the four most recently used pool files, newest first, kept
// in the settings store under "Recent File List" as File1 to File4.
#pragma once

#include <QString>
#include <QStringList>

class QSettings;

class CRecentFileList
{
  public:
    static constexpr int kSize = 4;
    static constexpr int kMaxDisplayLength = 30;

    // Puts strPath (made absolute) first; an entry of the same path moves
    // up instead of appearing twice; a fifth file pushes out the oldest.
    void Add(const QString& strPath);
    void Remove(int nIndex);
    int GetSize() const { return static_cast<int>(m_aFiles.size()); }
    const QString& operator[](int nIndex) const { return m_aFiles[nIndex]; }
    const QStringList& Files() const { return m_aFiles; }

    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // The name shown in the menu: without the folder when the file is in
    // strCurrentDir, then shortened to at most 30 characters.
    QString GetDisplayName(int nIndex, const QString& strCurrentDir) const;

  private:
    QStringList m_aFiles;
};

// Shortens a path to at most nMax characters: the first folder, "/...",
// then as many trailing components as fit; when not even the first folder,
// "/..." and the file name fit, the file name alone.
QString AbbreviatePath(const QString& strPath, int nMax);
