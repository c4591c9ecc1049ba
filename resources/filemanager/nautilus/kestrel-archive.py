# Kestrel Archive in the context menu of GNOME Files (Nautilus 43 and later,
# extension API 4.0): "Extract Here" when every selected file is a zip, 7z or
# RAR archive, "Compress to zip" and "Compress to 7z" for any local selection.
# Each item starts kestrel-archive, which shows its own progress window and
# asks for passwords itself.

import locale
import os
import subprocess
import sys
import threading

import gi

gi.require_version('Nautilus', '4.0')
from gi.repository import GObject, Nautilus  # noqa: E402

PROGRAM = 'kestrel-archive'

ARCHIVE_MIME_TYPES = frozenset({
    'application/zip',
    'application/x-zip-compressed',
    'application/x-7z-compressed',
    'application/vnd.rar',
    'application/x-rar',
    'application/x-rar-compressed',
})
ARCHIVE_SUFFIXES = ('.zip', '.7z', '.rar')

# English and Simplified Chinese, as the application itself speaks.
LABELS = {
    'extract-here': ('Extract Here', '解压到此处'),
    'compress-zip': ('Compress to zip', '压缩为 zip'),
    'compress-7z': ('Compress to 7z', '压缩为 7z'),
}


def prefers_chinese(environ=os.environ):
    """True when the user's first preferred language is Chinese, looked up
    in the order gettext uses."""
    for variable in ('LANGUAGE', 'LC_ALL', 'LC_MESSAGES', 'LANG'):
        value = environ.get(variable, '')
        if value:
            return value.split(':')[0].lower().startswith('zh')
    language = locale.getlocale(locale.LC_MESSAGES)[0] or ''
    return language.lower().startswith('zh')


def label(key):
    english, chinese = LABELS[key]
    return chinese if prefers_chinese() else english


def local_paths(files):
    """The selection's paths, or None when any item has no local path."""
    paths = []
    for file in files:
        location = file.get_location()
        path = location.get_path() if location is not None else None
        if path is None:
            return None
        paths.append(path)
    return paths


def is_archive(file, path):
    if file.is_directory():
        return False
    if file.get_mime_type() in ARCHIVE_MIME_TYPES:
        return True
    return os.path.basename(path).lower().endswith(ARCHIVE_SUFFIXES)


def run(arguments):
    """Starts kestrel-archive without a shell and reaps it when it ends, so
    the file manager never waits for a job."""
    try:
        process = subprocess.Popen([PROGRAM, *arguments],
                                   stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL,
                                   start_new_session=True)
    except OSError as error:
        print(f'{PROGRAM}: cannot start: {error}', file=sys.stderr)
        return
    threading.Thread(target=process.wait, daemon=True).start()


class KestrelArchiveMenu(GObject.GObject, Nautilus.MenuProvider):

    def get_file_items(self, files):
        paths = local_paths(files)
        if not paths:
            return []
        items = []
        if all(is_archive(file, path) for file, path in zip(files, paths)):
            items.append(self._item('extract-here', ['--extract-here', *paths]))
        items.append(self._item('compress-zip', ['--compress-here', '--format', 'zip', *paths]))
        items.append(self._item('compress-7z', ['--compress-here', '--format', '7z', *paths]))
        return items

    @staticmethod
    def _item(key, arguments):
        item = Nautilus.MenuItem(name=f'KestrelArchive::{key}', label=label(key))
        item.connect('activate', lambda _item: run(arguments))
        return item
