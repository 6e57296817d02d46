// Multi-level titles: captions such as A|B|C split into levels, adjacent
// columns that share a leading part grouped under one caption cell. The grid
// keeps the levels as a tree of nodes rebuilt by every layout; each title
// cell draws its column's leaf and then the group bands above it.

#include "grid/DBGridMv.h"

#include <algorithm>

namespace {

const QString TitleDelimiters = QStringLiteral("|");

QString NodeNotInTree()
{
    return QStringLiteral("Node not in Tree");
}

} // namespace

// ---------------------------------------------------------------- caption words

int WordPosition(int N, const QString& Text, const QString& Delimiters)
{
    int count = 0;
    qsizetype i = 0;
    const qsizetype length = Text.size();
    while (i < length && count != N) {
        while (i < length && Delimiters.contains(Text[i]))
            ++i;
        if (i < length)
            ++count;
        if (count == N)
            return int(i) + 1;
        while (i < length && !Delimiters.contains(Text[i]))
            ++i;
    }
    return 0;
}

QString ExtractWordPos(int N, const QString& Text, const QString& Delimiters, int& Pos)
{
    Pos = WordPosition(N, Text, Delimiters);
    if (Pos == 0)
        return QString();
    qsizetype end = Pos - 1;
    while (end < Text.size() && !Delimiters.contains(Text[end]))
        ++end;
    return Text.mid(Pos - 1, end - (Pos - 1));
}

QString ExtractWord(int N, const QString& Text, const QString& Delimiters)
{
    int pos = 0;
    return ExtractWordPos(N, Text, Delimiters, pos);
}

// ---------------------------------------------------------------- tree nodes

THeadTreeNode::THeadTreeNode(const QString& Text, int Width, int Height) : Height(Height), Text(Text), Width(Width)
{
}

THeadTreeNode::~THeadTreeNode() = default;

THeadTreeNode* THeadTreeNode::Adopt(std::unique_ptr<THeadTreeNode> Node)
{
    Node->Host = this;
    FOwned.push_back(std::move(Node));
    return FOwned.back().get();
}

std::unique_ptr<THeadTreeNode> THeadTreeNode::Release(THeadTreeNode* Node)
{
    for (auto it = FOwned.begin(); it != FOwned.end(); ++it)
        if (it->get() == Node) {
            auto released = std::move(*it);
            FOwned.erase(it);
            return released;
        }
    return nullptr;
}

std::vector<THeadTreeNode*> THeadTreeNode::Children() const
{
    std::vector<THeadTreeNode*> result;
    if (!Child)
        return result;
    THeadTreeNode* node = Child;
    do {
        result.push_back(node);
        node = node->Next;
    } while (node != Child);
    return result;
}

bool THeadTreeNode::Find(const THeadTreeNode* Node) const
{
    if (Node == this)
        return true;
    for (const auto& owned : FOwned)
        if (owned->Find(Node))
            return true;
    return false;
}

int THeadTreeNode::GetLevel() const
{
    int level = 0;
    for (const THeadTreeNode* node = Host; node; node = node->Host)
        ++level;
    return level;
}

THeadTreeNode* THeadTreeNode::Add(THeadTreeNode* After, const QString& Text, int Width, int Height)
{
    if (!After || !Find(After) || !After->Host)
        throw Exception(NodeNotInTree());
    THeadTreeNode* parent = After->Host;
    THeadTreeNode* node = parent->Adopt(std::make_unique<THeadTreeNode>(Text, Width, Height));
    node->Next = After->Next;
    After->Next = node;
    return node;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* Parent, const QString& Text, int Width, int Height)
{
    if (!Parent || !Find(Parent))
        throw Exception(NodeNotInTree());
    THeadTreeNode* node = Parent->Adopt(std::make_unique<THeadTreeNode>(Text, Width, Height));
    if (!Parent->Child) {
        Parent->Child = node;
        node->Next = node;
    } else {
        THeadTreeNode* last = Parent->Child;
        while (last->Next != Parent->Child)
            last = last->Next;
        last->Next = node;
        node->Next = Parent->Child;
    }
    return node;
}

void THeadTreeNode::FreeAllChild()
{
    for (auto& owned : FOwned)
        owned->FreeAllChild();
    FOwned.clear();
    Child = nullptr;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* From, THeadTreeNode* To, int Height, const QString& Text)
{
    if (!From || !Find(From) || !From->Host)
        throw Exception(NodeNotInTree());
    THeadTreeNode* parent = From->Host;
    // To is From or one of the siblings after it (before the ring wraps).
    std::vector<THeadTreeNode*> run;
    THeadTreeNode* node = From;
    for (;;) {
        run.push_back(node);
        if (node == To)
            break;
        node = node->Next;
        if (node == parent->Child)
            throw Exception(QStringLiteral("ATo not in level"));
    }
    THeadTreeNode* previous = From;
    while (previous->Next != From)
        previous = previous->Next;
    THeadTreeNode* after = To->Next;

    THeadTreeNode* group = parent->Adopt(std::make_unique<THeadTreeNode>(Text, 0, Height));
    group->LineWidth = To->LineWidth;
    if (after == From) {
        group->Next = group;
    } else {
        previous->Next = group;
        group->Next = after;
    }
    if (parent->Child == From || std::find(run.begin(), run.end(), parent->Child) != run.end())
        parent->Child = group;
    group->Child = From;
    To->Next = From;
    int width = 0;
    for (THeadTreeNode* member : run) {
        group->Adopt(parent->Release(member));
        member->Height -= Height;
        width += member->Width + group->LineWidth;
    }
    if (group->LineWidth > 0)
        width -= group->LineWidth;
    group->Width = width;
    return group;
}

// ---------------------------------------------------------------- the grid's tree

THeadTreeNode* TCustomDBGridMv::LeafOfColumn(const TColumnMv* Column) const
{
    if (!Column)
        return nullptr;
    const int index = Column->Index();
    if (index < 0 || index >= int(FLeafNodes.size()))
        return nullptr;
    THeadTreeNode* leaf = FLeafNodes[size_t(index)];
    return leaf && leaf->Column == Column ? leaf : nullptr;
}

void TCustomDBGridMv::CreateHeadTree()
{
    FLeafNodes.clear();
    FHeadTree->FreeAllChild();
    const int count = FColumns->Count();
    const int lineWidth = FOptions.testFlag(dgColLines) ? 1 : 0;
    const int titleHeight = RowHeights(0);
    THeadTreeNode* last = nullptr;
    for (int i = 0; i < count; ++i) {
        TColumnMv* column = FColumns->Items(i);
        const int width = column->Visible() ? column->Width() : (lineWidth ? -1 : 0);
        const QString caption = column->Title().Caption();
        THeadTreeNode* leaf = last ? FHeadTree->Add(last, caption, width, titleHeight)
                                   : FHeadTree->AddChild(FHeadTree.get(), caption, width, titleHeight);
        leaf->Column = column;
        leaf->MarkerWidth = column->Title().SortMarker() != smNoneMv ? 16 : 0;
        leaf->LineWidth = lineWidth;
        FLeafNodes.push_back(leaf);
        last = leaf;
    }
    // Passes until nothing changes: the first column with a second caption
    // part starts a run of columns sharing the first part; the run loses that
    // part, and goes under a group of that name when it stands on one level.
    bool changed = true;
    while (changed) {
        changed = false;
        for (int i = 0; i < count && !changed; ++i) {
            THeadTreeNode* first = FLeafNodes[size_t(i)];
            if (WordPosition(2, first->Text, TitleDelimiters) == 0)
                continue;
            const QString head = ExtractWord(1, first->Text, TitleDelimiters);
            int j = i;
            while (j + 1 < count && ExtractWord(1, FLeafNodes[size_t(j + 1)]->Text, TitleDelimiters) == head)
                ++j;
            for (int k = i; k <= j; ++k) {
                THeadTreeNode* leaf = FLeafNodes[size_t(k)];
                leaf->Text = leaf->Text.mid(head.size() + 1);
            }
            changed = true;
            THeadTreeNode* last = FLeafNodes[size_t(j)];
            if (first->GetLevel() == last->GetLevel() && first->Host == last->Host)
                FHeadTree->Union(first, last, 20, head);
        }
    }
}

int TCustomDBGridMv::MeasureHeadTree(THeadTreeNode* Node)
{
    const std::vector<THeadTreeNode*> children = Node->Children();
    if (children.empty())
        return 0;
    TCanvas canvas;
    std::vector<int> below(children.size(), 0);
    int level = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        THeadTreeNode* child = children[i];
        const QString caption = child->Text.isEmpty() ? QStringLiteral(" ") : child->Text;
        canvas.Font = child->Column ? child->Column->Title().Font() : FTitleFont;
        int own = 0;
        if (child->Column && child->Column->Title().Orientation() == tohVertical) {
            own = canvas.TextWidth(caption) + 6;
        } else {
            if (child->Width >= 1) {
                TRect measure(0, 0, std::max(1, child->Width - 4), 0);
                canvas.DrawText(caption, measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
                own = measure.Height();
            }
            own += FVTitleMargin;
        }
        below[i] = MeasureHeadTree(child);
        level = std::max(level, own + below[i]);
    }
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->Height = children[i]->Child ? level - below[i] : level;
    return level;
}

void TCustomDBGridMv::DrawTitleGroups(TColumnMv* Column, int, int, const TRect& ARect, TGridDrawState AState)
{
    THeadTreeNode* leaf = LeafOfColumn(Column);
    if (!leaf)
        return;
    TCanvas& canvas = Canvas();
    const bool threeD = AState.testFlag(gdFixed) && FOptionsMv.testFlag(dghFixed3D);
    const bool themed = threeD && ThemedHeaders();
    const int lineWidth = FOptions.testFlag(dgColLines) ? 1 : 0;
    const TColor background = Column->Title().Color();
    const TFont font = FTitleFont;

    THeadTreeNode* node = leaf;
    int nodeLeft = ARect.Left;
    int bandBottom = std::max(ARect.Top, ARect.Bottom - leaf->Height + 3);
    for (THeadTreeNode* group = leaf->Host; group && group != FHeadTree.get(); group = group->Host) {
        int groupLeft = nodeLeft;
        for (THeadTreeNode* sibling = group->Child; sibling && sibling != node; sibling = sibling->Next)
            groupLeft -= sibling->Width + lineWidth;
        const int groupRight = groupLeft + group->Width;
        TRect band(groupLeft, bandBottom - group->Height, groupRight, bandBottom);
        // The top level reaches up to the cell's top edge.
        if (group->Host == FHeadTree.get())
            band.Top = ARect.Top;
        const bool begins = groupLeft >= ARect.Left;
        const bool ends = groupRight <= ARect.Right;
        // Where the group goes on, the band covers the line after the cell
        // too, so that it reads as one caption cell.
        TRect cellBand(ARect.Left, std::max(band.Top, ARect.Top), ends ? ARect.Right : ARect.Right + lineWidth,
                       band.Bottom);
        if (!cellBand.IsEmpty()) {
            TClipSaver clip(canvas);
            canvas.IntersectClipRect(cellBand);
            canvas.Brush.Color = background;
            canvas.Brush.Style = bsSolid;
            if (themed)
                DrawCellFrame(cellBand, AState, true, false, false);
            else
                canvas.FillRect(cellBand);
            TRect textBand = band;
            if (begins)
                textBand.Left += 2;
            if (ends)
                textBand.Right -= 1;
            canvas.Font = font;
            WriteTextMv(canvas, textBand, false, 0, 0, group->Text, taCenter, tlCenter, false,
                        Column->Title().EndEllipsis(), 0, 0, false);
            group->Drawn = true;
            if (threeD && !themed)
                DrawEdges(TRect(begins ? cellBand.Left : cellBand.Left - 1, cellBand.Top,
                                ends ? cellBand.Right : cellBand.Right + 1, cellBand.Bottom),
                          false, begins, ends, true, true);
            if (FOptions.testFlag(dgRowLines) && !themed)
                canvas.FillRect(TRect(cellBand.Left, cellBand.Bottom - 1, cellBand.Right, cellBand.Bottom),
                                GridLineColors()->DarkColor());
        }
        node = group;
        nodeLeft = groupLeft;
        bandBottom = band.Top;
    }
}
