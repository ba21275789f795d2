#pragma once
// The browser's own event types, registered under the names the rest of the
// program knows them by.

#include <memory>

#include <QEvent>

#include "editing/RegisteredEventType.h"
#include "image/Raster.h"

namespace vex {

// "Zelto.Show": select tile `index` of the file list (-1: the list is empty).
class ZeltoShowEvent : public QEvent {
public:
    ZeltoShowEvent(int index, uint64_t generation, bool openEditor)
        : QEvent(Type()), index(index), generation(generation), openEditor(openEditor)
    {
    }
    static QEvent::Type Type()
    {
        static const QEvent::Type type = RegisteredEventType(Name());
        return type;
    }
    static const char* Name() { return "Zelto.Show"; }
    const int index;
    const uint64_t generation;
    const bool openEditor;
};

// "Zelto.UpdateList": rebuild the thumbnail of frame `index` from `frame`.
// The frame travels as a shared copy, so the sender keeps nothing alive.
class ZeltoUpdateListEvent : public QEvent {
public:
    ZeltoUpdateListEvent(int index, std::shared_ptr<const Raster> frame)
        : QEvent(Type()), index(index), frame(std::move(frame))
    {
    }
    static QEvent::Type Type()
    {
        static const QEvent::Type type = RegisteredEventType(Name());
        return type;
    }
    static const char* Name() { return "Zelto.UpdateList"; }
    const int index;
    const std::shared_ptr<const Raster> frame;
};

} // namespace vex
