#include "platform/ImageList.h"

#include <algorithm>

namespace {

bool IsEmptyCell(const QImage& cell)
{
    for (int y = 0; y < cell.height(); ++y)
        for (int x = 0; x < cell.width(); ++x)
            if (qAlpha(cell.pixel(x, y)) != 0)
                return false;
    return true;
}

} // namespace

TImageList& TImageList::operator=(const TImageList& other)
{
    if (this != &other) {
        FWidth = other.FWidth;
        FHeight = other.FHeight;
        FImages = other.FImages;
        Changed();
    }
    return *this;
}

TImageList::~TImageList()
{
    // A watcher may unregister while it is told; work on a copy.
    const std::vector<TChangeLink*> links = FLinks;
    FLinks.clear();
    for (TChangeLink* link : links)
        if (link->OnDestroyed)
            link->OnDestroyed();
}

void TImageList::RegisterChanges(TChangeLink* link)
{
    if (link && std::find(FLinks.begin(), FLinks.end(), link) == FLinks.end())
        FLinks.push_back(link);
}

void TImageList::UnRegisterChanges(TChangeLink* link)
{
    std::erase(FLinks, link);
}

void TImageList::Clear()
{
    FImages.clear();
    Changed();
}

void TImageList::Changed()
{
    const std::vector<TChangeLink*> links = FLinks;
    for (TChangeLink* link : links)
        if (link->OnChange)
            link->OnChange();
}

int TImageList::AddStrip(const QImage& strip)
{
    if (strip.isNull() || strip.height() != FHeight || FWidth <= 0)
        return 0;
    const QImage argb = strip.convertToFormat(QImage::Format_ARGB32);
    const int cells = argb.width() / FWidth;
    for (int i = 0; i < cells; ++i) {
        const QImage cell = argb.copy(i * FWidth, 0, FWidth, FHeight);
        // A fully transparent cell is an index that no glyph uses.
        FImages.push_back(IsEmptyCell(cell) ? QPixmap() : QPixmap::fromImage(cell));
    }
    if (cells > 0)
        Changed();
    return cells;
}

QPixmap TImageList::Pixmap(int index) const
{
    if (index < 0 || index >= Count())
        return QPixmap();
    return FImages[size_t(index)];
}

QIcon TImageList::Icon(int index) const
{
    const QPixmap pixmap = Pixmap(index);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}
