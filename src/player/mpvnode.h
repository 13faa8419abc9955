#pragma once

#include <QMetaType>
#include <QVariant>

#include <mpv/client.h>

#include <memory>
#include <vector>

namespace mpv {
namespace qt {

// What commandWithResult hands back when libmpv refuses a command: the negative libmpv error
// code, wrapped so that it can travel inside a QVariant and be told apart from a real result.
struct ErrorReturn
{
    int error = 0;

    ErrorReturn() = default;
    explicit ErrorReturn(int err) : error(err) {}
};

// Registers ErrorReturn under the name "mpv::qt::ErrorReturn"; safe to call more than once.
void registerMetaTypes();

// True when the variant holds an ErrorReturn; errorCode gives its code (0 otherwise).
bool isError(const QVariant &value);
int errorCode(const QVariant &value);

// Builds an mpv_node tree from a QVariant and owns every string and array the tree points to,
// so the tree stays valid until the builder goes out of scope (after the libmpv call returns).
class NodeBuilder
{
public:
    explicit NodeBuilder(const QVariant &value);
    ~NodeBuilder();
    NodeBuilder(const NodeBuilder &) = delete;
    NodeBuilder &operator=(const NodeBuilder &) = delete;

    mpv_node *node() { return &root; }

private:
    void build(mpv_node *dst, const QVariant &value);
    char *copyUtf8(const QString &text);
    mpv_node_list *newList(mpv_format format, int count);
    void release(mpv_node *dst);

    mpv_node root{};
};

// Converts a node (as returned by libmpv) into a QVariant; unknown formats give an invalid one.
QVariant nodeToVariant(const mpv_node *node);

} // namespace qt
} // namespace mpv

Q_DECLARE_METATYPE(mpv::qt::ErrorReturn)
