// How our VST 3 objects look to a host: an interface pointer points at a pointer to a table of
// functions, each taking that interface pointer first. An object of ours holds one Face for each
// interface it offers; the face leads back to the object, which counts its references over all
// of them and deletes itself at the last release.
#pragma once

#include <travesty/base.h>

#include <atomic>
#include <cstdint>

namespace vst3 {

template <typename Owner>
struct Face {
    const void* table;
    Owner* owner;
};

template <typename Owner>
Owner& ownerOf(void* self) {
    return *static_cast<Face<Owner>*>(self)->owner;
}

// The reference count an object starts with: the one its creator hands to the host.
struct References {
    std::atomic<uint32_t> count{1};
};

// The three functions every interface starts with, for an Owner that has `References refs` and
// `void* find(const v3_tuid iid)` (the face for `iid`, or null).
template <typename Owner>
uint32_t V3_API addRef(void* self) {
    return ownerOf<Owner>(self).refs.count.fetch_add(1) + 1;
}

template <typename Owner>
uint32_t V3_API release(void* self) {
    Owner& owner = ownerOf<Owner>(self);
    const uint32_t left = owner.refs.count.fetch_sub(1) - 1;
    if (left == 0) delete &owner;
    return left;
}

template <typename Owner>
v3_result V3_API queryInterface(void* self, const v3_tuid iid, void** object) {
    if (object == nullptr) return V3_INVALID_ARG;
    void* face = ownerOf<Owner>(self).find(iid);
    *object = face;
    if (face == nullptr) return V3_NO_INTERFACE;
    addRef<Owner>(self);
    return V3_OK;
}

template <typename Owner>
constexpr v3_funknown unknownOf() {
    return {queryInterface<Owner>, addRef<Owner>, release<Owner>};
}

// A host's object we keep: one reference held from `keep` to `drop`.
template <typename Interface>
class HostObject {
  public:
    HostObject() = default;
    HostObject(const HostObject&) = delete;
    HostObject& operator=(const HostObject&) = delete;
    ~HostObject() { drop(); }

    void keep(Interface** object) {
        if (object != nullptr) v3_cpp_obj_ref(object);
        drop();
        object_ = object;
    }
    // The host's object for `iid` that `from` offers, or none.
    template <typename Other>
    void query(Other** from, const v3_tuid iid) {
        Interface** found = nullptr;
        if (from != nullptr && v3_cpp_obj_query_interface(from, iid, &found) != V3_OK)
            found = nullptr;
        drop();
        object_ = found;
    }
    void drop() {
        if (object_ != nullptr) v3_cpp_obj_unref(object_);
        object_ = nullptr;
    }
    Interface** get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

  private:
    Interface** object_ = nullptr;
};

}  // namespace vst3
