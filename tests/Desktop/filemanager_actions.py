#!/usr/bin/env python3
"""The file-manager actions, run as each file manager runs them.

Each action file is read as its file manager reads it (Dolphin's service
menus, Nemo's actions, the Nautilus extension imported against a stand-in
for the Nautilus module, Thunar's archive-plugin script), and the command it
gives is run on real archives in a temporary folder on an X server: three
archives extracted each beside itself, one of them protected and answered
in the password dialog, an existing folder left alone; and two files packed
into one archive.

Usage: filemanager_actions.py KESTREL_BINARY CONFIGURED_DIR SOURCE_DIR
(CONFIGURED_DIR holds the configured .desktop and .nemo_action files,
SOURCE_DIR resources/filemanager.)
"""

import configparser
import glob
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import types

BINARY, CONFIGURED, SOURCE = (os.path.abspath(argument) for argument in sys.argv[1:4])
FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print('FAIL:', what)


def read_ini(path):
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read(path, encoding='utf-8')
    return parser


def expand(exec_line, files):
    """The Exec line as the file manager runs it: %F becomes the files."""
    arguments = []
    for word in exec_line.split():
        arguments.extend(files if word == '%F' else [word])
    return arguments


def dolphin_commands():
    commands = {}
    for path in glob.glob(os.path.join(CONFIGURED, 'kestrel-archive-*.desktop')):
        menu = read_ini(path)
        entry = menu['Desktop Entry']
        check(entry.get('ServiceTypes') == 'KonqPopupMenu/Plugin', f'{path}: a Dolphin service menu')
        for action in entry['Actions'].strip(';').split(';'):
            section = menu['Desktop Action ' + action]
            check('Name[zh_CN]' in section, f'{path}: {action} named in Chinese')
            kind = 'extract' if '--extract-here' in section['Exec'] else 'compress ' + section['Exec'].split()[3]
            commands[kind] = lambda files, line=section['Exec']: expand(line, files)
    return commands


def nemo_commands():
    commands = {}
    for path in glob.glob(os.path.join(CONFIGURED, '*.nemo_action')):
        action = read_ini(path)['Nemo Action']
        check('Name[zh_CN]' in action, f'{path}: named in Chinese')
        if '--extract-here' in action['Exec']:
            check(action['Extensions'] == '.zip;.7z;.rar;', f'{path}: offered for archives only')
            kind = 'extract'
        else:
            kind = 'compress ' + action['Exec'].split()[3]
        commands[kind] = lambda files, line=action['Exec']: expand(line, files)
    return commands


def nautilus_commands():
    """Imports the extension with stand-ins for gi and Nautilus and keeps the
    commands its menu items would start."""
    started = []

    class MenuItem:
        def __init__(self, name, label):
            self.name, self.label, self.handlers = name, label, []

        def connect(self, signal, handler):
            self.handlers.append(handler)

    repository = types.ModuleType('gi.repository')
    repository.GObject = types.SimpleNamespace(GObject=type('GObject', (), {}))
    repository.Nautilus = types.SimpleNamespace(MenuProvider=type('MenuProvider', (), {}), MenuItem=MenuItem)
    gi = types.ModuleType('gi')
    gi.require_version = lambda name, version: check((name, version) == ('Nautilus', '4.0'), 'Nautilus API 4.0')
    gi.repository = repository
    sys.modules.update({'gi': gi, 'gi.repository': repository})

    spec = importlib.util.spec_from_file_location('extension', os.path.join(SOURCE, 'nautilus', 'kestrel-archive.py'))
    extension = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(extension)
    extension.run = lambda arguments: started.append([extension.PROGRAM, *arguments])

    class File:
        def __init__(self, path):
            self.path = path

        def get_location(self):
            return types.SimpleNamespace(get_path=lambda: self.path)

        def is_directory(self):
            return os.path.isdir(self.path)

        def get_mime_type(self):
            return 'application/octet-stream'

    def command(label_key, files):
        items = extension.KestrelArchiveMenu().get_file_items([File(f) for f in files])
        for item in items:
            if item.name.endswith(label_key):
                item.handlers[0](item)
                return started.pop()
        check(False, f'Nautilus offers {label_key} for {files}')
        return ['false']

    os.environ['LANGUAGE'] = 'zh_CN'
    check(extension.label('extract-here') == '解压到此处', 'Nautilus labels in Chinese')
    os.environ['LANGUAGE'] = 'en'
    check(not any(i.name.endswith('extract-here')
                  for i in extension.KestrelArchiveMenu().get_file_items([File(SOURCE)])),
          'Nautilus offers Extract Here for archives only')
    return {
        'extract': lambda files: command('extract-here', files),
        'compress zip': lambda files: command('compress-zip', files),
        'compress 7z': lambda files: command('compress-7z', files),
    }


def thunar_commands():
    script = os.path.join(SOURCE, 'thunar', 'kestrel-archive.tap')
    folder = lambda files: os.path.dirname(files[0])
    return {
        'extract': lambda files: ['sh', script, 'extract-here', folder(files), *files],
        'extract to': lambda files: ['sh', script, 'extract-to', folder(files), *files],
        'compress zip': lambda files: ['sh', script, 'create', folder(files), *files],
    }


def answer_password_dialog(stop):
    """Types the password into the dialog, the window that is transient for
    the batch window, once it shows."""
    while not stop.is_set():
        found = subprocess.run(['xdotool', 'search', '--name', 'Kestrel Archive'],
                               capture_output=True, text=True).stdout.split()
        for window in found:
            transient = subprocess.run(['xprop', '-id', window, 'WM_TRANSIENT_FOR'],
                                       capture_output=True, text=True).stdout
            if 'window id' in transient:
                subprocess.run(['xdotool', 'windowfocus', '--sync', window])
                subprocess.run(['xdotool', 'type', '--delay', '20', 'secret'])
                subprocess.run(['xdotool', 'key', 'Return'])
                return
        time.sleep(0.1)


def entries(folder):
    return sorted(os.listdir(folder))


def run(argv, folder, with_password):
    environment = dict(os.environ, PATH=os.path.dirname(BINARY) + os.pathsep + os.environ['PATH'],
                       QT_QPA_PLATFORM='xcb', KESTREL_EVENT_LOG_URL='http://127.0.0.1:9/log.html')
    stop = threading.Event()
    answering = threading.Thread(target=answer_password_dialog, args=(stop,), daemon=True)
    if with_password:
        answering.start()
    try:
        done = subprocess.run(argv, cwd=folder, env=environment, timeout=120, stdin=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
        if done.returncode != 0:
            print(done.stderr, file=sys.stderr)
        return done.returncode
    finally:
        stop.set()


def extract_case(name, command):
    with tempfile.TemporaryDirectory() as folder:
        os.makedirs(os.path.join(folder, 'Holiday'))
        with open(os.path.join(folder, 'Holiday', 'notes.txt'), 'w') as file:
            file.write('sun\n')
        subprocess.run(['zip', '-qrm', 'Holiday.zip', 'Holiday'], cwd=folder, check=True)
        for loose in ('a.txt', 'b.txt'):
            with open(os.path.join(folder, loose), 'w') as file:
                file.write(loose)
        subprocess.run(['7zz', 'a', '-bd', '-sdel', 'Loose.7z', 'a.txt', 'b.txt'], cwd=folder, check=True,
                       stdout=subprocess.DEVNULL)
        os.makedirs(os.path.join(folder, 'Loose'))
        with open(os.path.join(folder, 'Loose', 'mine.txt'), 'w') as file:
            file.write('already here\n')
        with open(os.path.join(folder, 'letter.txt'), 'w') as file:
            file.write('dear friend\n')
        subprocess.run(['zip', '-qm', '-P', 'secret', 'Secret.zip', 'letter.txt'], cwd=folder, check=True)

        archives = [os.path.join(folder, a) for a in ('Holiday.zip', 'Loose.7z', 'Secret.zip')]
        status = run(command(archives), folder, with_password=True)
        check(status == 0, f'{name} extract: exit status {status}')
        check(entries(folder) == ['Holiday', 'Holiday.zip', 'Loose', 'Loose 1', 'Loose.7z', 'Secret.zip',
                                  'letter.txt'], f'{name} extract: {entries(folder)}')
        check(entries(os.path.join(folder, 'Loose')) == ['mine.txt'], f'{name} extract: existing folder kept')
        check(os.path.isfile(os.path.join(folder, 'Holiday', 'notes.txt')), f'{name} extract: one folder, not two')


def compress_case(name, kind, command):
    extension = kind.split()[1]
    with tempfile.TemporaryDirectory() as folder:
        for loose in ('a.txt', 'b.txt'):
            with open(os.path.join(folder, loose), 'w') as file:
                file.write(loose)
        status = run(command([os.path.join(folder, 'a.txt'), os.path.join(folder, 'b.txt')]), folder, False)
        archive = os.path.join(folder, 'Archive.' + extension)
        check(status == 0, f'{name} {kind}: exit status {status}')
        check(subprocess.run(['7zz', 't', archive], stdout=subprocess.DEVNULL).returncode == 0,
              f'{name} {kind}: {entries(folder)}')


def main():
    managers = {'Dolphin': dolphin_commands(), 'Nemo': nemo_commands(), 'Files': nautilus_commands(),
                'Thunar': thunar_commands()}
    for name, commands in managers.items():
        check('extract' in commands and 'compress zip' in commands, f'{name}: extract and compress actions')
        for kind, command in commands.items():
            if kind.startswith('extract'):
                extract_case(name + ' ' + kind, command)
            else:
                compress_case(name, kind, command)
    print(f'{len(FAILURES)} failed' if FAILURES else 'all file-manager actions work')
    return 1 if FAILURES else 0


if __name__ == '__main__':
    sys.exit(main())
