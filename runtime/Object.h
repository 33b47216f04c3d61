#pragma once

#include "runtime/Variant.h"

#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>
#include <vector>

class TObject;
class TComponent;

// What a published property holds.  Enumerations are carried as their ordinal; two enumeration
// properties have the same type only when their TypeName is the same.
enum class TTypeKind {
  Boolean,
  Integer,
  Int64,
  Float,
  String,
  DateTime,
  Enumeration,
  Variant,
  Bytes
};

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = TTypeKind::Variant;
  std::string TypeName;
  std::function<Variant(const TObject&)> Getter;
  std::function<void(TObject&, const Variant&)> Setter; // empty for a read-only property

  bool IsWritable() const { return static_cast<bool>(Setter); }
  // Same kind and same type name: a value read from one can be written to the other unchanged.
  bool IsSameType(const TPropInfo& other) const {
    return Kind == other.Kind && TypeName == other.TypeName;
  }
};

using TObjectFactory = std::function<TObject*(TComponent* owner)>;

// Run-time class information: the class's name, its parent, its published properties and, for a
// class that can be created by name, the factory.  One instance per class, created the first
// time the class's StaticClass() is called and registered by name at that moment.
class TClassInfo {
public:
  TClassInfo(std::string className, const TClassInfo* parent, std::vector<TPropInfo> properties,
             TObjectFactory factory);
  ~TClassInfo();
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& ClassName() const { return FClassName; }
  const TClassInfo* ClassParent() const { return FParent; }
  bool InheritsFrom(const TClassInfo& other) const;

  // Own and inherited properties; a property redeclared by a descendant hides its parent's.
  const TPropInfo* FindProperty(std::string_view name) const;
  std::vector<const TPropInfo*> Properties() const;

  bool IsCreatable() const { return static_cast<bool>(FFactory); }
  // Creates an instance; a component is created with `owner` as its owner.
  TObject* CreateInstance(TComponent* owner) const;

private:
  std::string FClassName;
  const TClassInfo* FParent;
  std::vector<TPropInfo> FProperties;
  TObjectFactory FFactory;
};

// Every class of the object model derives from TObject and declares itself with DUO_CLASS, which
// gives it a static and a virtual class-info accessor.
class TObject {
public:
  virtual ~TObject() = default;

  static const TClassInfo& StaticClass();
  virtual const TClassInfo& ClassType() const { return StaticClass(); }

  const std::string& ClassName() const { return ClassType().ClassName(); }
  bool InheritsFrom(const TClassInfo& info) const { return ClassType().InheritsFrom(info); }
  template <class T> bool Is() const { return InheritsFrom(T::StaticClass()); }

  bool HasProperty(std::string_view name) const;
  // Raise EPropertyError naming the class and the property when it is not published (or is
  // read-only, for the setter).
  Variant GetPropValue(std::string_view name) const;
  void SetPropValue(std::string_view name, const Variant& value);
};

#define DUO_CLASS(ThisClass, ParentClass)                                                          \
public:                                                                                            \
  using inherited = ParentClass;                                                                   \
  static const TClassInfo& StaticClass();                                                          \
  const TClassInfo& ClassType() const override {                                                   \
    return StaticClass();                                                                          \
  }

// The registry of classes by name (compared without case).
const TClassInfo* FindClass(std::string_view className);
// Raises EClassNotFound when the class is unknown.
const TClassInfo& GetClass(std::string_view className);
// Creates an object of a registered, creatable class.
TObject* CreateObjectByClassName(std::string_view className, TComponent* owner);

// Copies every published property of `source` whose name is in `names` (all when empty) to the
// writable property of `target` with the same name (compared without case) and the same type.
// Returns the names copied.  A property that fails to copy is skipped.
std::vector<std::string> CopyPropertiesByName(const TObject& source, TObject& target,
                                              const std::vector<std::string>& names = {});

namespace detail {

void RegisterClassInfo(const TClassInfo& info);
void UnregisterClassInfo(const TClassInfo& info);

template <class V> constexpr TTypeKind TypeKindOf() {
  if constexpr (std::is_same_v<V, bool>)
    return TTypeKind::Boolean;
  else if constexpr (std::is_enum_v<V>)
    return TTypeKind::Enumeration;
  else if constexpr (std::is_integral_v<V> && sizeof(V) <= 4)
    return TTypeKind::Integer;
  else if constexpr (std::is_integral_v<V>)
    return TTypeKind::Int64;
  else if constexpr (std::is_floating_point_v<V>)
    return TTypeKind::Float;
  else if constexpr (std::is_same_v<V, std::string>)
    return TTypeKind::String;
  else if constexpr (std::is_same_v<V, TDateTime>)
    return TTypeKind::DateTime;
  else if constexpr (std::is_same_v<V, TBytes>)
    return TTypeKind::Bytes;
  else {
    static_assert(std::is_same_v<V, Variant>, "unsupported published property type");
    return TTypeKind::Variant;
  }
}

const char* TypeKindName(TTypeKind kind);

template <class V> std::string TypeNameOf() {
  if constexpr (std::is_enum_v<V>)
    return typeid(V).name();
  else
    return TypeKindName(TypeKindOf<V>());
}

template <class V> Variant ToVariant(const V& value) {
  if constexpr (std::is_enum_v<V>)
    return Variant(static_cast<int32_t>(value));
  else if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool> && sizeof(V) <= 4)
    return Variant(static_cast<int32_t>(value));
  else if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool>)
    return Variant(static_cast<int64_t>(value));
  else if constexpr (std::is_floating_point_v<V>)
    return Variant(static_cast<double>(value));
  else
    return Variant(value);
}

template <class V> V FromVariant(const Variant& value) {
  if constexpr (std::is_same_v<V, bool>)
    return value.AsBoolean();
  else if constexpr (std::is_enum_v<V>)
    return static_cast<V>(value.AsInteger());
  else if constexpr (std::is_integral_v<V> && sizeof(V) <= 4)
    return static_cast<V>(value.AsInteger());
  else if constexpr (std::is_integral_v<V>)
    return static_cast<V>(value.AsInt64());
  else if constexpr (std::is_floating_point_v<V>)
    return static_cast<V>(value.AsFloat());
  else if constexpr (std::is_same_v<V, std::string>)
    return value.AsString();
  else if constexpr (std::is_same_v<V, TDateTime>)
    return value.AsDateTime();
  else if constexpr (std::is_same_v<V, TBytes>)
    return value.AsBytes();
  else
    return value;
}

} // namespace detail

// Builds the class info of `T` (whose parent is `T::inherited`):
//
//   const TClassInfo& TEdit::StaticClass() {
//     static const TClassInfo info = TClassBuilder<TEdit>("TEdit")
//         .Property("Text", &TEdit::GetText, &TEdit::SetText)
//         .Creatable()
//         .Build();
//     return info;
//   }
template <class T> class TClassBuilder {
public:
  explicit TClassBuilder(std::string className) : FClassName(std::move(className)) {}

  template <class V>
  TClassBuilder& Property(std::string name, std::function<V(const T&)> getter,
                          std::function<void(T&, V)> setter = {}) {
    TPropInfo info;
    info.Name = std::move(name);
    info.Kind = detail::TypeKindOf<V>();
    info.TypeName = detail::TypeNameOf<V>();
    info.Getter = [getter](const TObject& self) {
      return detail::ToVariant<V>(getter(static_cast<const T&>(self)));
    };
    if (setter)
      info.Setter = [setter](TObject& self, const Variant& value) {
        setter(static_cast<T&>(self), detail::FromVariant<V>(value));
      };
    FProperties.push_back(std::move(info));
    return *this;
  }

  template <class C, class G, class S>
  TClassBuilder& Property(std::string name, G (C::*getter)() const, void (C::*setter)(S)) {
    using V = std::decay_t<G>;
    static_assert(std::is_same_v<V, std::decay_t<S>>, "getter and setter types differ");
    return Property<V>(
        std::move(name), [getter](const T& self) -> V { return (self.*getter)(); },
        [setter](T& self, V value) { (self.*setter)(std::move(value)); });
  }

  template <class C, class G> TClassBuilder& ReadOnly(std::string name, G (C::*getter)() const) {
    using V = std::decay_t<G>;
    return Property<V>(std::move(name), [getter](const T& self) -> V { return (self.*getter)(); });
  }

  // The class can be created by name; components are created with an owner.
  TClassBuilder& Creatable() {
    if constexpr (std::is_constructible_v<T, TComponent*>)
      FFactory = [](TComponent* owner) -> TObject* { return new T(owner); };
    else
      FFactory = [](TComponent*) -> TObject* { return new T(); };
    return *this;
  }

  TClassInfo Build() {
    return TClassInfo(std::move(FClassName), &T::inherited::StaticClass(), std::move(FProperties),
                      std::move(FFactory));
  }

private:
  std::string FClassName;
  std::vector<TPropInfo> FProperties;
  TObjectFactory FFactory;
};
