#pragma once
// Private frameworks loaded at run time: a dynamic loader (open a framework by path, look a
// symbol up) and a small object runtime (class by name, instances, selectors, messages),
// so code that uses them checks that each exists first and degrades when it does not.
#include <QMetaType>
#include <QVariant>
#include <QVariantList>
#include <memory>

namespace platform::dl {

constexpr int kLoadNow = 2;
void* open(const char* path, int mode); // null when the framework is missing
void* symbol(void* handle, const char* name);

} // namespace platform::dl

namespace platform::objc {

struct Object;
using Id = std::shared_ptr<Object>; // null = nil

Id classNamed(const char* name);     // null when no such class is loaded
Id allocInit(const Id& cls);
bool respondsToSelector(const Id& object, const char* selector); // false for nil
QVariant send(const Id& object, const char* selector, const QVariantList& arguments = {});

} // namespace platform::objc

Q_DECLARE_METATYPE(platform::objc::Id)
