// A key pressed in a GTK window, made as the display makes it (with its
// keyboard and hardware code, which GTK's key bindings such as Tab's focus
// move look keys up by). True when a handler took it.
#pragma once

#include <gtk/gtk.h>

inline bool PressKey(GtkWidget* window, guint keyval, GdkModifierType state = GdkModifierType(0)) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.keyval = keyval;
    event->key.state = state;
    GdkDisplay* display = gtk_widget_get_display(window);
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count) && count > 0)
        event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    const bool handled = gtk_widget_event(window, event);
    gdk_event_free(event);
    return handled;
}
