"""The tool's window as a person sees it, through the accessibility bus:
tabs by their names, fields by the labels beside them, buttons and check
boxes by their labels, message boxes by their texts and titles. Buttons,
tabs, check boxes, selectors and entries are worked with real pointer and
keyboard events; only a message box's OK is pressed through its action.

Nothing here sleeps for a fixed time: every step waits for what it expects.
"""

import pyatspi

from checks import require
from waiting import wait_until

TIMEOUT = 10
MAIN_WINDOW_TITLE = "HLQ Configuration Tool"


def has_state(accessible, state):
    return accessible.getState().contains(state)


def is_checked(check_box):
    return has_state(check_box, pyatspi.STATE_CHECKED)


def is_showing(widget):
    return has_state(widget, pyatspi.STATE_SHOWING)


def is_sensitive(widget):
    return has_state(widget, pyatspi.STATE_SENSITIVE)


def is_editable(entry):
    return has_state(entry, pyatspi.STATE_EDITABLE)


def text_of(entry):
    return entry.queryText().getText(0, -1)


def selected_item(combo):
    """The text of the selector's active item, or None without one."""
    selection = combo.querySelection()
    if selection.nSelectedChildren == 0:
        return None
    return selection.getSelectedChild(0).name


def items_of(combo):
    return [item.name for item in combo[0]]


def _extents(accessible):
    return accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)


def _on_screen(accessible):
    e = _extents(accessible)
    return has_state(accessible, pyatspi.STATE_SHOWING) and e.width > 0 and e.height > 0


def _settled_extents(accessible, what):
    """The widget's place once it is on screen and has stopped moving (a
    window just shown may still be laid out)."""
    seen = []

    def settled():
        if not _on_screen(accessible):
            return None
        e = _extents(accessible)
        place = (e.x, e.y, e.width, e.height)
        if seen and seen[-1] == place:
            return place
        seen.append(place)
        return None
    return wait_until(settled, TIMEOUT, f"{what} to be on screen")


def click(accessible, what):
    """A real left click at the centre of the widget, once it is on screen."""
    x, y, width, height = _settled_extents(accessible, what)
    pyatspi.Registry.generateMouseEvent(x + width // 2, y + height // 2, pyatspi.MOUSE_B1C)


def _descendant(root, predicate, what):
    found = pyatspi.findDescendant(root, predicate)
    require(found is not None, f"no {what}")
    return found


def find_application(pid):
    """The tool's accessible application, found by its process."""
    def look():
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:  # an application that went away meanwhile
                continue
        return None
    return wait_until(look, TIMEOUT, f"process {pid} on the accessibility bus")


class Window:
    """The main window of one running tool."""

    def __init__(self, app):
        self.app = app
        self.frame = wait_until(self._showing_frame, TIMEOUT, "the main window")

    def _showing_frame(self):
        for child in self.app:
            if (child is not None and child.getRole() == pyatspi.ROLE_FRAME
                    and child.name == MAIN_WINDOW_TITLE and _on_screen(child)):
                return child
        return None

    def open_tab(self, name):
        """Clicks the tab and returns its page once it shows."""
        tab = _descendant(self.frame, lambda a: a.getRole() == pyatspi.ROLE_PAGE_TAB
                          and a.name == name, f"tab '{name}'")
        click(tab, f"tab '{name}'")
        wait_until(lambda: has_state(tab, pyatspi.STATE_SELECTED), TIMEOUT,
                   f"tab '{name}' to be selected")
        return Page(tab)


class Page:
    """One tab's page, optionally narrowed to a titled group (frame) in it."""

    def __init__(self, root):
        self.root = root

    def group(self, title):
        return Page(_descendant(self.root, lambda a: a.getRole() == pyatspi.ROLE_PANEL
                                and a.name == title, f"group '{title}' in '{self.root.name}'"))

    def labelled(self, label):
        """The widget that the label with this text names."""
        found = _descendant(self.root, lambda a: a.getRole() == pyatspi.ROLE_LABEL
                            and a.name == label, f"label '{label}' in '{self.root.name}'")
        for relation in found.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR:
                return relation.getTarget(0)
        raise AssertionError(f"label '{label}' names no widget")

    def _by_role(self, role, name, what):
        return _descendant(self.root, lambda a: a.getRole() == role and a.name == name,
                           f"{what} '{name}' in '{self.root.name}'")

    def label_starting(self, prefix):
        """The label whose text starts with `prefix` (shown or not)."""
        return _descendant(self.root, lambda a: a.getRole() == pyatspi.ROLE_LABEL
                           and a.name.startswith(prefix),
                           f"label '{prefix}...' in '{self.root.name}'")

    def button(self, name):
        return self._by_role(pyatspi.ROLE_PUSH_BUTTON, name, "button")

    def check_box(self, name):
        return self._by_role(pyatspi.ROLE_CHECK_BOX, name, "check box")

    def press(self, name):
        click(self.button(name), f"button '{name}'")

    def toggle(self, name):
        """Clicks the check box and waits for its state to flip; returns it."""
        box = self.check_box(name)
        before = is_checked(box)
        click(box, f"check box '{name}'")
        wait_until(lambda: is_checked(box) != before, TIMEOUT, f"check box '{name}' to change")
        return box


def choose(combo, item_name):
    """Opens the selector with a click and clicks the item."""
    click(combo, "the selector")
    menu = combo[0]
    wait_until(lambda: _on_screen(menu), TIMEOUT, "the selector's list to open")
    item = _descendant(menu, lambda a: a.name == item_name, f"item '{item_name}'")
    click(item, f"item '{item_name}'")
    wait_until(lambda: selected_item(combo) == item_name and not _on_screen(menu), TIMEOUT,
               f"'{item_name}' to be selected")


def type_into(entry, text):
    """Clicks into the entry and types the text at the end of what it holds."""
    before = text_of(entry)
    click(entry, "the entry")
    wait_until(lambda: has_state(entry, pyatspi.STATE_FOCUSED), TIMEOUT, "the entry's focus")
    pyatspi.Registry.generateKeyboardEvent(0, "End", pyatspi.KEY_SYM)
    pyatspi.Registry.generateKeyboardEvent(0, text, pyatspi.KEY_STRING)
    wait_until(lambda: text_of(entry) == before + text, TIMEOUT,
               f"the entry to read '{before + text}'", seen=lambda: text_of(entry))


class MessageBox:
    def __init__(self, app, accessible, texts, title):
        self.app = app
        self.accessible = accessible
        self.texts = texts
        self.title = title

    def ok(self):
        """Presses OK (through its action: the box's own loop then ends)."""
        button = _descendant(self.accessible, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON
                             and a.name == "OK", "OK button in the message box")
        action = button.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("click"))
        wait_until(lambda: self.accessible not in _showing_alerts(self.app), TIMEOUT,
                   f"message box '{self.title}' to close")


def _showing_alerts(app):
    alerts = []
    try:
        for child in app:
            if child is not None and child.getRole() == pyatspi.ROLE_ALERT and _on_screen(child):
                alerts.append(child)
    except Exception:  # the application ended meanwhile
        return []
    return alerts


def _texts_of(alert):
    return [label.name for label in pyatspi.findAllDescendants(
        alert, lambda a: a.getRole() == pyatspi.ROLE_LABEL and has_state(a, pyatspi.STATE_VISIBLE)
        and a.name)]


def showing_message_texts(app):
    """The texts of every message box the application shows now."""
    return [_texts_of(alert) for alert in _showing_alerts(app)]


def wait_message_box(app, xwindows):
    """The one message box on screen: its visible texts and its X title."""
    alert = wait_until(lambda: (_showing_alerts(app) or [None])[0], TIMEOUT, "a message box")
    texts = _texts_of(alert)
    e = _extents(alert)
    titles = wait_until(lambda: xwindows.titles_at(e.x, e.y, e.width, e.height), TIMEOUT,
                        "the message box's X window")
    require(len(titles) == 1, f"several windows where the message box is: {titles}")
    return MessageBox(app, alert, texts, titles[0])
