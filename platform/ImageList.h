#pragma once
// An image list: glyphs of one size reached by index, as the windows' actions,
// buttons and trees name them.

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <functional>
#include <vector>

// A watcher of an image list: told when its glyphs change and when the list
// goes away (after which the watcher must forget it).
struct TChangeLink {
    std::function<void()> OnChange;
    std::function<void()> OnDestroyed;
};

class TImageList {
public:
    TImageList(int width, int height) : FWidth(width), FHeight(height) {}
    // A copy has the glyphs, not the watchers.
    TImageList(const TImageList& other) : FWidth(other.FWidth), FHeight(other.FHeight), FImages(other.FImages) {}
    TImageList& operator=(const TImageList& other);
    ~TImageList();

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }

    // Appends the cells of a strip, left to right, each Width() wide; a
    // strip whose height is not Height() adds nothing. Returns the count added.
    int AddStrip(const QImage& strip);
    void Clear();

    // The glyph at the index; a null pixmap (an empty icon) for an index
    // outside the list or an empty cell.
    QPixmap Pixmap(int index) const;
    QIcon Icon(int index) const;

private:
    void Changed();

    std::vector<TChangeLink*> FLinks;
    int FWidth;
    int FHeight;
    std::vector<QPixmap> FImages;
};
