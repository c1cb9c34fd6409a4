// References to GLib objects held by their owner: the reference is given up
// when the owner goes, on every path, as std::unique_ptr does for memory.
#pragma once

#include <glib-object.h>

#include <memory>

namespace viewer::webkit {

template <typename T>
struct GObjectUnref {
    void operator()(T* object) const { g_object_unref(object); }
};
template <>
struct GObjectUnref<GVariant> {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};

// One reference to a GObject (or a GVariant).
template <typename T>
using GRef = std::unique_ptr<T, GObjectUnref<T>>;

// Takes over a reference the caller holds (a new object's, or one taken).
template <typename T>
GRef<T> Adopt(T* object) {
    return GRef<T>(object);
}

// Takes a reference of its own, sinking a floating one (a new widget's).
template <typename T>
GRef<T> RefSink(T* object) {
    return GRef<T>(static_cast<T*>(g_object_ref_sink(object)));
}

// A shared object carried by a GObject under `key` (none clears it): the
// GObject keeps it alive until it is replaced or the GObject goes.
template <typename T>
void SetShared(gpointer object, const char* key, std::shared_ptr<T> value) {
    using Held = std::shared_ptr<T>;
    g_object_set_data_full(G_OBJECT(object), key, value ? new Held(std::move(value)) : nullptr,
                           [](gpointer held) { delete static_cast<Held*>(held); });
}

template <typename T>
std::shared_ptr<T> GetShared(gpointer object, const char* key) {
    const auto* held = static_cast<const std::shared_ptr<T>*>(g_object_get_data(G_OBJECT(object), key));
    return held ? *held : nullptr;
}

}  // namespace viewer::webkit
