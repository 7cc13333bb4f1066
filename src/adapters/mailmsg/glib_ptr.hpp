#pragma once
// Owners for what GLib, GMime and libgsf hand out: a GObject reference is
// dropped and a GLib string freed however the scope is left.
#include <glib-object.h>

#include <memory>

namespace kv::mailmsg {

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer memory) const { g_free(memory); }
};
template <class T>
using GFreePtr = std::unique_ptr<T, GFree>;

}  // namespace kv::mailmsg
