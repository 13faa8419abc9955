#include "mpvnode.h"

#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <cstdlib>
#include <cstring>

namespace mpv {
namespace qt {

void registerMetaTypes()
{
    qRegisterMetaType<ErrorReturn>("mpv::qt::ErrorReturn");
}

bool isError(const QVariant &value)
{
    return value.userType() == qMetaTypeId<ErrorReturn>();
}

int errorCode(const QVariant &value)
{
    return isError(value) ? value.value<ErrorReturn>().error : 0;
}

NodeBuilder::NodeBuilder(const QVariant &value)
{
    build(&root, value);
}

NodeBuilder::~NodeBuilder()
{
    release(&root);
}

char *NodeBuilder::copyUtf8(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    char *copy = static_cast<char *>(std::malloc(size_t(utf8.size()) + 1));
    if (copy)
        std::memcpy(copy, utf8.constData(), size_t(utf8.size()) + 1);
    return copy;
}

mpv_node_list *NodeBuilder::newList(mpv_format format, int count)
{
    auto *list = static_cast<mpv_node_list *>(std::calloc(1, sizeof(mpv_node_list)));
    if (!list)
        return nullptr;
    if (count > 0) {
        list->values = static_cast<mpv_node *>(std::calloc(size_t(count), sizeof(mpv_node)));
        if (!list->values) {
            std::free(list);
            return nullptr;
        }
        if (format == MPV_FORMAT_NODE_MAP) {
            list->keys = static_cast<char **>(std::calloc(size_t(count), sizeof(char *)));
            if (!list->keys) {
                std::free(list->values);
                std::free(list);
                return nullptr;
            }
        }
    }
    return list;
}

void NodeBuilder::build(mpv_node *dst, const QVariant &value)
{
    dst->format = MPV_FORMAT_NONE;
    const int type = value.userType();
    if (type == QMetaType::QString) {
        dst->u.string = copyUtf8(value.toString());
        if (dst->u.string)
            dst->format = MPV_FORMAT_STRING;
    } else if (type == QMetaType::Bool) {
        dst->format = MPV_FORMAT_FLAG;
        dst->u.flag = value.toBool() ? 1 : 0;
    } else if (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::UInt
               || type == QMetaType::ULongLong) {
        dst->format = MPV_FORMAT_INT64;
        dst->u.int64 = value.toLongLong();
    } else if (type == QMetaType::Double) {
        dst->format = MPV_FORMAT_DOUBLE;
        dst->u.double_ = value.toDouble();
    } else if (value.canConvert<QVariantList>()) {
        const QVariantList items = value.toList();
        mpv_node_list *list = newList(MPV_FORMAT_NODE_ARRAY, items.size());
        if (!list)
            return;
        dst->format = MPV_FORMAT_NODE_ARRAY;
        dst->u.list = list;
        for (const QVariant &item : items)
            build(&list->values[list->num++], item);
    } else if (value.canConvert<QVariantMap>()) {
        const QVariantMap map = value.toMap();
        mpv_node_list *list = newList(MPV_FORMAT_NODE_MAP, map.size());
        if (!list)
            return;
        dst->format = MPV_FORMAT_NODE_MAP;
        dst->u.list = list;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            char *key = copyUtf8(it.key());
            if (!key) {
                // A map whose key cannot be copied is unusable: drop what was built so far.
                release(dst);
                dst->format = MPV_FORMAT_NONE;
                return;
            }
            list->keys[list->num] = key;
            build(&list->values[list->num], it.value());
            ++list->num;
        }
    }
}

void NodeBuilder::release(mpv_node *dst)
{
    switch (dst->format) {
    case MPV_FORMAT_STRING:
        std::free(dst->u.string);
        break;
    case MPV_FORMAT_NODE_ARRAY:
    case MPV_FORMAT_NODE_MAP: {
        mpv_node_list *list = dst->u.list;
        if (!list)
            break;
        for (int i = 0; i < list->num; ++i) {
            if (list->keys)
                std::free(list->keys[i]);
            release(&list->values[i]);
        }
        std::free(list->keys);
        std::free(list->values);
        std::free(list);
        break;
    }
    default:
        break;
    }
    dst->format = MPV_FORMAT_NONE;
}

QVariant nodeToVariant(const mpv_node *node)
{
    if (!node)
        return QVariant();
    switch (node->format) {
    case MPV_FORMAT_STRING:
        return QVariant(QString::fromUtf8(node->u.string));
    case MPV_FORMAT_FLAG:
        return QVariant(node->u.flag != 0);
    case MPV_FORMAT_INT64:
        return QVariant(static_cast<qlonglong>(node->u.int64));
    case MPV_FORMAT_DOUBLE:
        return QVariant(node->u.double_);
    case MPV_FORMAT_NODE_ARRAY: {
        QVariantList list;
        const mpv_node_list *items = node->u.list;
        for (int i = 0; items && i < items->num; ++i)
            list.append(nodeToVariant(&items->values[i]));
        return list;
    }
    case MPV_FORMAT_NODE_MAP: {
        QVariantMap map;
        const mpv_node_list *items = node->u.list;
        for (int i = 0; items && i < items->num; ++i)
            map.insert(QString::fromUtf8(items->keys[i]), nodeToVariant(&items->values[i]));
        return map;
    }
    default:
        return QVariant();
    }
}

} // namespace qt
} // namespace mpv
