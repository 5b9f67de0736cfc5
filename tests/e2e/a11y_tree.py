#!/usr/bin/python3
# Reads the running program through AT-SPI, as a screen reader does.
#   a11y_tree.py main PID TEXTFILE CARET   the main window
#   a11y_tree.py dialog PID TITLE [--no-fields]   an open dialog (with fields)
#   a11y_tree.py tabs PID NAME...          the tab row shows exactly these files
#   a11y_tree.py quit PID                  chooses "Datei > Beenden"
# Prints the tree it walked; exits 1 naming every fault it found.
import sys
import time

import pyatspi

# A user cannot tell these apart without a name.
NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_TOGGLE_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_PAGE_TAB_LIST,
    pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_PROGRESS_BAR,
}

faults = []


def fault(text):
    faults.append(text)


def application(pid):
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:
                pass
        time.sleep(0.1)
    return None


def walk(node, depth, found):
    """Lists every node under `node` (with itself) as (node, depth)."""
    found.append((node, depth))
    # The items of a long list or table are not controls of their own.
    if node.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST, pyatspi.ROLE_TREE_TABLE):
        return found
    for i in range(min(node.childCount, 200)):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, found)
    return found


def check_names(nodes):
    for node, depth in nodes:
        role = node.getRole()
        print("%s%s %r" % ("  " * depth, node.getRoleName(), node.name))
        if role in NAMED_ROLES and not node.name.strip():
            fault("nameless %s (%s)" % (node.getRoleName(), " > ".join(path(node))))


def path(node):
    names = []
    while node is not None and node.getRole() != pyatspi.ROLE_APPLICATION:
        names.append("%s %r" % (node.getRoleName(), node.name))
        node = node.parent
    return list(reversed(names))


def by_role(nodes, role):
    return [node for node, _ in nodes if node.getRole() == role]


def check_main(app, textfile, caret):
    with open(textfile, "rb") as f:
        content = f.read().decode("cp1252")
    frames = [c for c in app if c is not None and c.getRole() == pyatspi.ROLE_FRAME]
    if not frames:
        fault("no main window")
        return
    nodes = walk(frames[0], 0, [])
    check_names(nodes)
    buttons = by_role(nodes, pyatspi.ROLE_PUSH_BUTTON)
    bar = [b.name for b in buttons if b.name]
    for expected in ("Neue Datei", "Öffne Datei", "Datei sichern", "Gehe zur Zeile", "Schrift"):
        if expected not in bar:
            fault("no button named %r (buttons: %r)" % (expected, bar))
    # The status labels say what their number is, and the number itself.
    labels = {node.name for node in by_role(nodes, pyatspi.ROLE_LABEL)}
    for expected in ("Zeile 1", "Spalte %d" % (caret + 1), "Größe %d" % len(content)):
        if expected not in labels:
            fault("no status label named %r (labels: %r)" % (expected, sorted(labels)))
    if not any(name.startswith("Hinweis ") for name in labels):
        fault("no hint label (labels: %r)" % sorted(labels))

    short = textfile.rsplit("/", 1)[-1]
    texts = [n for n in by_role(nodes, pyatspi.ROLE_TEXT) if n.queryText().characterCount == len(content)]
    if not texts:
        fault("no text control holding %d characters" % len(content))
        return
    memo = texts[0]
    if memo.name != short:
        fault("text control named %r, not after its file %r" % (memo.name, short))
    tabs = by_role(nodes, pyatspi.ROLE_PAGE_TAB_LIST)
    if not tabs or tabs[0].name != short:
        fault("tab row named %r, not after the current file %r" % ([t.name for t in tabs], short))
    text = memo.queryText()
    read = text.getText(0, -1)
    if read != content:
        fault("text reads %r, the file holds %r" % (read, content))
    if text.caretOffset != caret:
        fault("caret at %d, expected %d" % (text.caretOffset, caret))


def check_dialog(app, title, with_fields):
    dialog = None
    for _ in range(50):
        for child in app:
            if child is not None and child.name == title:
                dialog = child
        if dialog is not None:
            break
        time.sleep(0.1)
    if dialog is None:
        fault("no dialog %r among %r" % (title, [c.name for c in app if c is not None]))
        return
    nodes = walk(dialog, 0, [])
    check_names(nodes)
    fields = [n for n, _ in nodes if n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)]
    if with_fields and not fields:
        fault("dialog %r has no field" % title)


def main_frame(app):
    frames = [c for c in app if c is not None and c.getRole() == pyatspi.ROLE_FRAME]
    return frames[0] if frames else None


def check_tabs(app, names):
    shown = []
    # Handed-over files arrive from the window's event loop.
    for _ in range(50):
        frame = main_frame(app)
        if frame is not None:
            shown = [n.name for n in by_role(walk(frame, 0, []), pyatspi.ROLE_PAGE_TAB)]
            if shown == names:
                return
        time.sleep(0.1)
    fault("tabs %r, expected %r" % (shown, names))


def choose_quit(app):
    frame = main_frame(app)
    items = [n for n, _ in walk(frame, 0, []) if n.getRole() == pyatspi.ROLE_MENU_ITEM and n.name == "Beenden"] \
        if frame is not None else []
    if not items:
        fault("no menu item \"Beenden\"")
        return
    try:
        items[0].queryAction().doAction(0)
    except Exception:
        # A window that ends while it answers never sends the reply; the
        # caller sees whether it ended.
        pass


def main():
    mode, pid = sys.argv[1], int(sys.argv[2])
    app = application(pid)
    if app is None:
        print("the program is not on the accessibility bus", file=sys.stderr)
        return 1
    if mode == "main":
        check_main(app, sys.argv[3], int(sys.argv[4]))
    elif mode == "tabs":
        check_tabs(app, sys.argv[3:])
    elif mode == "quit":
        choose_quit(app)
    else:
        check_dialog(app, sys.argv[3], sys.argv[4:] != ["--no-fields"])
    for text in faults:
        print("FAULT: " + text, file=sys.stderr)
    return 1 if faults else 0


sys.exit(main())
