"""The file managers' menus as the build configured them (MENUS: the folder): the Nautilus
and Caja extension under a stub of their modules, the Nemo actions' keys. Run by CTest."""

import configparser
import importlib.util
import os
import sys
import tempfile
import types
import unittest

MENUS = os.environ["MENUS"]


class Item:
    def __init__(self, name, label, icon=None):
        self.name, self.label, self.submenu, self.handlers = name, label, None, []

    def set_submenu(self, menu):
        self.submenu = menu

    def connect(self, signal, handler):
        assert signal == "activate"
        self.handlers.append(handler)

    def activate(self):
        for handler in self.handlers:
            handler(self)


class Menu:
    def __init__(self):
        self.items = []

    def append_item(self, item):
        self.items.append(item)


class FileInfo:
    def __init__(self, path, mime="image/jpeg", directory=False, local=True):
        self.path, self.mime, self.directory, self.local = path, mime, directory, local

    def get_location(self):
        return types.SimpleNamespace(get_path=lambda: self.path if self.local else None)

    def is_directory(self):
        return self.directory

    def get_mime_type(self):
        return self.mime


def load_extension(host):
    """Imports the extension with stub gi modules; its started command lines go to a list."""
    required = {}
    gi = types.ModuleType("gi")
    gi.require_version = lambda name, version: required.__setitem__(name, version)
    repository = types.ModuleType("gi.repository")
    repository.GObject = types.SimpleNamespace(GObject=type("GObject", (), {}))
    setattr(repository, host, types.SimpleNamespace(
        MenuProvider=type("MenuProvider", (), {}), MenuItem=Item, Menu=Menu))
    gi.repository = repository
    sys.modules["gi"], sys.modules["gi.repository"] = gi, repository
    found = importlib.util.spec_from_file_location("brevine_" + host,
                                                   os.path.join(MENUS, host, "brevine.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    started = []
    module.start = started.append
    return module, required, started


class Extension(unittest.TestCase):
    def setUp(self):
        self.config = tempfile.TemporaryDirectory()
        os.environ["XDG_CONFIG_HOME"] = self.config.name
        os.environ["LANGUAGE"] = ""
        os.environ["LANG"] = "C.UTF-8"

    def tearDown(self):
        self.config.cleanup()

    def write_settings(self, text):
        os.makedirs(os.path.join(self.config.name, "brevine"), exist_ok=True)
        with open(os.path.join(self.config.name, "brevine", "brevine.ini"), "w",
                  encoding="utf-8") as f:
            f.write(text)

    def items(self, module, files, with_window):
        provider = module.BrevineMenu()
        return provider.get_file_items(object(), files) if with_window \
            else provider.get_file_items(files)

    def check_host(self, host, api, with_window):
        module, required, started = load_extension(host)
        self.assertEqual(required, {host: api})
        files = [FileInfo("/home/u/Photos/a b.jpg"), FileInfo("/home/u/Album", "inode/directory",
                                                                 directory=True)]
        # No settings file yet: the shipped presets.
        [top] = self.items(module, files, with_window)
        self.assertEqual(top.label, "Reduce with Brevine")
        labels = [i.label for i in top.submenu.items]
        self.assertEqual(labels, ["Mail", "Web", "Small", "With the window's settings",
                                  "Open in Brevine…"])
        for item in top.submenu.items:
            item.activate()
        paths = ["/home/u/Photos/a b.jpg", "/home/u/Album"]
        self.assertEqual(started, [
            ["/usr/bin/brevine", "--desktop", "--preset=Mail", "-r", "--"] + paths,
            ["/usr/bin/brevine", "--desktop", "--preset=Web", "-r", "--"] + paths,
            ["/usr/bin/brevine", "--desktop", "--preset=Small", "-r", "--"] + paths,
            ["/usr/bin/brevine", "--desktop", "-r", "--"] + paths,
            ["/usr/bin/brevine", "--window", "-r", "--"] + paths,
        ])
        # The user's presets, read as the menu opens.
        self.write_settings("[pixel]\nIndex=0\n\n[preset 邮件_小]\nparcent=70\n"
                            "[Preset  Big ]\nIndex=-1\n[preset big]\n[preset a]b]\n")
        [top] = self.items(module, files, with_window)
        self.assertEqual([i.label for i in top.submenu.items][:2], ["邮件__小", "Big"])
        started.clear()
        top.submenu.items[0].activate()
        self.assertEqual(started[0][2], "--preset=邮件_小")
        # None left: no preset entry.
        self.write_settings("[pixel]\nIndex=0\n\n[presets]\n")
        [top] = self.items(module, files, with_window)
        self.assertEqual(len(top.submenu.items), 2)
        # Only for images and folders on this machine.
        self.assertEqual(self.items(module, [FileInfo("/a.txt", "text/plain")], with_window), [])
        self.assertEqual(self.items(module, [FileInfo("/a.jpg", local=False)], with_window), [])
        self.assertEqual(len(self.items(module, [FileInfo("/x.HEIC", "application/octet-stream")],
                                        with_window)), 1)
        # The words of the desktop's language.
        os.environ["LANGUAGE"] = "de_DE:en"
        [top] = self.items(module, files, with_window)
        self.assertEqual(top.label, "Mit Brevine verkleinern")

    def test_nautilus(self):
        self.check_host("Nautilus", "4.0", with_window=False)

    def test_caja(self):
        self.check_host("Caja", "2.0", with_window=True)


class NemoActions(unittest.TestCase):
    def test_keys(self):
        folder = os.path.join(MENUS, "nemo")
        names = sorted(os.listdir(folder))
        self.assertEqual(names, ["brevine-mail.nemo_action", "brevine-open.nemo_action",
                                 "brevine-small.nemo_action", "brevine-web.nemo_action",
                                 "brevine-window.nemo_action"])
        for name in names:
            parser = configparser.ConfigParser(interpolation=None)
            parser.optionxform = str
            parser.read(os.path.join(folder, name), encoding="utf-8")
            self.assertEqual(parser.sections(), ["Nemo Action"], name)
            action = parser["Nemo Action"]
            self.assertEqual(action["Active"], "true", name)
            self.assertTrue(action["Name"] and action["Comment"], name)
            self.assertEqual(action["Selection"], "notnone", name)
            self.assertEqual(action["Mimetypes"], "image/*;inode/directory;", name)
            self.assertEqual(action["Icon-Name"], "brevine", name)
            self.assertEqual(action["Quote"], "double", name)
            exec_line = action["Exec"]
            self.assertTrue(exec_line.startswith('"/usr/bin/brevine" '), name)
            self.assertTrue(exec_line.endswith(" -r -- %F"), name)
            expected = {"mail": "--desktop --preset=Mail", "web": "--desktop --preset=Web",
                        "small": "--desktop --preset=Small", "window": "--desktop",
                        "open": "--window"}[name[len("brevine-"):-len(".nemo_action")]]
            self.assertEqual(exec_line, '"/usr/bin/brevine" ' + expected + " -r -- %F", name)


class Dolphin(unittest.TestCase):
    def test_one_action_per_shipped_preset_and_the_window(self):
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(os.path.join(MENUS, "dolphin", "brevine.desktop"), encoding="utf-8")
        entry = parser["Desktop Entry"]
        self.assertEqual(entry["Actions"], "mail;web;small;window;open;")
        self.assertIn("inode/directory;", entry["MimeType"])
        self.assertEqual(entry["X-KDE-Submenu"], "Reduce with Brevine")
        for action, flags in (("mail", "--desktop --preset=Mail"), ("web", "--desktop --preset=Web"),
                              ("small", "--desktop --preset=Small"), ("window", "--desktop"),
                              ("open", "--window")):
            self.assertEqual(parser["Desktop Action " + action]["Exec"],
                             '"/usr/bin/brevine" ' + flags + " -r -- %F")


if __name__ == "__main__":
    unittest.main()
