// Building the graphics layer's framework classes from their records.
#pragma once

#include <span>

#include "runtime/class_registry.h"

namespace tess::graphics {

inline ClassObject* BuildClass(const char* name, ClassObject* super, int32_t size,
                               ClassRoutine construct, ClassRoutine destruct,
                               std::span<const PropertyRecord> properties,
                               std::span<const MethodRecord> methods = {}) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = super;
  def.instanceSize = size;
  def.construct = construct;
  def.destruct = destruct;
  def.properties = properties;
  def.methods = methods;
  return BuildFrameworkClass(def);
}

}  // namespace tess::graphics
