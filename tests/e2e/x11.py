"""What only the X server knows about the tool's windows: their titles (no
window manager draws them here), and closing a window as a window manager
does, with a WM_DELETE_WINDOW client message."""

from Xlib import X, display, protocol


class XWindows:
    def __init__(self):
        self._display = display.Display()
        self._root = self._display.screen().root
        self._protocols = self._display.intern_atom("WM_PROTOCOLS")
        self._delete = self._display.intern_atom("WM_DELETE_WINDOW")
        self._pid = self._display.intern_atom("_NET_WM_PID")

    def close(self):
        self._display.close()

    def _mapped_toplevels(self):
        for window in self._root.query_tree().children:
            try:
                if window.get_attributes().map_state != X.IsViewable:
                    continue
                name = window.get_wm_name()
            except Exception:  # gone meanwhile
                continue
            if isinstance(name, bytes):
                name = name.decode("utf-8", "replace")
            yield window, name or ""

    def titles_at(self, x, y, width, height):
        """Titles of the mapped top-level windows with this geometry."""
        titles = []
        for window, name in self._mapped_toplevels():
            try:
                g = window.get_geometry()
            except Exception:
                continue
            if (g.x, g.y, g.width, g.height) == (x, y, width, height):
                titles.append(name)
        return titles

    def _pid_of(self, window):
        prop = window.get_full_property(self._pid, X.AnyPropertyType)
        return prop.value[0] if prop is not None and len(prop.value) else None

    def request_close(self, title, pid):
        """Asks the mapped windows with this title that process `pid` shows
        to close; returns how many were asked."""
        count = 0
        for window, name in self._mapped_toplevels():
            try:
                if name != title or self._pid_of(window) != pid:
                    continue
            except Exception:  # gone meanwhile
                continue
            event = protocol.event.ClientMessage(
                window=window, client_type=self._protocols,
                data=(32, [self._delete, X.CurrentTime, 0, 0, 0]))
            window.send_event(event)
            count += 1
        self._display.flush()
        return count
