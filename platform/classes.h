#pragma once
// The class library in one include: exceptions, reference counting, GUIDs,
// method references, TObject/TPersistent, TComponent and class information.
// Each part has its own header with its usage notes.
#include "platform/classinfo.h"
#include "platform/component.h"
#include "platform/exceptions.h"
#include "platform/guid.h"
#include "platform/method.h"
#include "platform/object.h"
#include "platform/refcount.h"
#include "platform/collection.h"
#include "platform/stringlist.h"
