#pragma once
// An image list: glyphs of one size reached by index, as the windows' actions,
// buttons and trees name them.

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <vector>

class TImageList {
public:
    TImageList(int width, int height) : FWidth(width), FHeight(height) {}

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return int(FImages.size()); }

    // Appends the cells of a strip, left to right, each Width() wide; a
    // strip whose height is not Height() adds nothing. Returns the count added.
    int AddStrip(const QImage& strip);
    void Clear() { FImages.clear(); }

    // The glyph at the index; a null pixmap (an empty icon) for an index
    // outside the list or an empty cell.
    QPixmap Pixmap(int index) const;
    QIcon Icon(int index) const;

private:
    int FWidth;
    int FHeight;
    std::vector<QPixmap> FImages;
};
