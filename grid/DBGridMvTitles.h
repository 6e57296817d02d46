#pragma once
// Multi-level titles: the tree of title nodes that a grid with
// UseMultiTitle builds from captions such as A|B|C, and the caption word
// routines that split them.

#include <QString>
#include <memory>
#include <vector>

class TColumnMv;

class THeadTreeNode {
public:
    THeadTreeNode(const QString& Text, int Width, int Height);
    ~THeadTreeNode();
    THeadTreeNode(const THeadTreeNode&) = delete;
    THeadTreeNode& operator=(const THeadTreeNode&) = delete;

    // The first child; the children form a ring through Next.
    THeadTreeNode* Child = nullptr;
    TColumnMv* Column = nullptr;
    bool Drawn = false;
    int Height = 0;
    THeadTreeNode* Host = nullptr;
    THeadTreeNode* Next = this;
    QString Text;
    int LineWidth = 0;
    int Width = 0;
    int MarkerWidth = 0;

    // A new sibling after After; raises "Node not in Tree" when After is not
    // in this tree.
    THeadTreeNode* Add(THeadTreeNode* After, const QString& Text, int Width, int Height);
    // A new last child of Parent; raises "Node not in Tree" likewise.
    THeadTreeNode* AddChild(THeadTreeNode* Parent, const QString& Text, int Width, int Height);
    void FreeAllChild();
    bool Find(const THeadTreeNode* Node) const;
    int GetLevel() const;
    // Puts the siblings From..To under a new node in their place.
    THeadTreeNode* Union(THeadTreeNode* From, THeadTreeNode* To, int Height, const QString& Text);
    // The children in ring order.
    std::vector<THeadTreeNode*> Children() const;

private:
    THeadTreeNode* Adopt(std::unique_ptr<THeadTreeNode> Node);
    std::unique_ptr<THeadTreeNode> Release(THeadTreeNode* Node);

    // The nodes whose Host this node is, owned here.
    std::vector<std::unique_ptr<THeadTreeNode>> FOwned;
};

// Caption words separated by a set of delimiters (1-based positions).
int WordPosition(int N, const QString& Text, const QString& Delimiters);
QString ExtractWord(int N, const QString& Text, const QString& Delimiters);
QString ExtractWordPos(int N, const QString& Text, const QString& Delimiters, int& Pos);
