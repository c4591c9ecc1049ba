#!/usr/bin/env python3
# Each file manager's action files read as it reads them (the Nautilus
# extension imported against a stand-in for its module), and the commands
# they give run on real archives on an X server: three archives extracted,
# one answered in the password dialog, an existing folder left alone; two
# files packed into one archive.
# Usage: filemanager_actions.py KESTREL_BINARY CONFIGURED_DIR SOURCE_DIR

import configparser
import glob
import importlib.util
import os
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


def exec_command(exec_line):
    # The action's kind and the command its Exec line runs: %F becomes the files.
    words = exec_line.split()
    kind = 'extract' if '--extract-here' in words else 'compress ' + words[words.index('--format') + 1]
    return kind, lambda files: [part for word in words for part in (files if word == '%F' else [word])]


def dolphin_commands():
    commands = {}
    for path in glob.glob(os.path.join(CONFIGURED, 'kestrel-archive-*.desktop')):
        menu = read_ini(path)
        entry = menu['Desktop Entry']
        check(entry.get('ServiceTypes') == 'KonqPopupMenu/Plugin', f'{path}: a Dolphin service menu')
        for action in entry['Actions'].strip(';').split(';'):
            section = menu['Desktop Action ' + action]
            check('Name[zh_CN]' in section, f'{path}: {action} named in Chinese')
            commands.update([exec_command(section['Exec'])])
    return commands


def nemo_commands():
    commands = {}
    for path in glob.glob(os.path.join(CONFIGURED, '*.nemo_action')):
        action = read_ini(path)['Nemo Action']
        check('Name[zh_CN]' in action, f'{path}: named in Chinese')
        kind, commands[kind] = exec_command(action['Exec'])
        check(kind != 'extract' or action['Extensions'] == '.zip;.7z;.rar;', f'{path}: offered for archives only')
    return commands


def nautilus_commands():
    # The commands its menu items would start, kept rather than run.
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

    def items(files):
        selection = [types.SimpleNamespace(get_location=lambda f=f: types.SimpleNamespace(get_path=lambda: f),
                                           is_directory=lambda f=f: os.path.isdir(f),
                                           get_mime_type=lambda: 'application/octet-stream') for f in files]
        return {item.name.split('::')[1]: item for item in extension.KestrelArchiveMenu().get_file_items(selection)}

    def command(key, files):
        item = items(files).get(key)
        check(item is not None, f'Nautilus offers {key} for {files}')
        if item is None:
            return ['false']
        item.handlers[0](item)
        return started.pop()

    os.environ['LANGUAGE'] = 'zh_CN'
    check(extension.label('extract-here') == '解压到此处', 'Nautilus labels in Chinese')
    os.environ['LANGUAGE'] = 'en'
    check('extract-here' not in items([SOURCE]), 'Nautilus offers Extract Here for archives only')
    return {kind: lambda files, key=key: command(key, files)
            for kind, key in (('extract', 'extract-here'), ('compress zip', 'compress-zip'),
                              ('compress 7z', 'compress-7z'))}


def thunar_commands():
    script = os.path.join(SOURCE, 'thunar', 'kestrel-archive.tap')
    return {kind: lambda files, action=action: ['sh', script, action, os.path.dirname(files[0]), *files]
            for kind, action in (('extract', 'extract-here'), ('extract to', 'extract-to'),
                                 ('compress zip', 'create'))}


def answer_password_dialog(stop):
    # The dialog is the window transient for the batch window.
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


def run(argv, folder, answer_password=False):
    environment = dict(os.environ, PATH=os.path.dirname(BINARY) + os.pathsep + os.environ['PATH'],
                       QT_QPA_PLATFORM='xcb', KESTREL_EVENT_LOG_URL='http://127.0.0.1:9/log.html')
    stop = threading.Event()
    if answer_password:
        threading.Thread(target=answer_password_dialog, args=(stop,), daemon=True).start()
    try:
        done = subprocess.run(argv, cwd=folder, env=environment, timeout=120, stdin=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
        if done.returncode != 0:
            print(done.stderr, file=sys.stderr)
        return done.returncode
    finally:
        stop.set()


def write(folder, files):
    for name, text in files.items():
        os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
        with open(os.path.join(folder, name), 'w') as file:
            file.write(text)


def extract_case(name, command, folder):
    write(folder, {'Holiday/notes.txt': 'sun\n', 'a.txt': 'a', 'b.txt': 'b', 'Loose/mine.txt': 'already here\n',
                   'letter.txt': 'dear friend\n'})
    for packing in (['zip', '-qrm', 'Holiday.zip', 'Holiday'], ['7zz', 'a', '-bd', '-sdel', 'Loose.7z', 'a.txt', 'b.txt'],
                    ['zip', '-qm', '-P', 'secret', 'Secret.zip', 'letter.txt']):
        subprocess.run(packing, cwd=folder, check=True, stdout=subprocess.DEVNULL)

    status = run(command([os.path.join(folder, a) for a in ('Holiday.zip', 'Loose.7z', 'Secret.zip')]), folder, True)
    check(status == 0, f'{name}: exit status {status}')
    check(sorted(os.listdir(folder)) == ['Holiday', 'Holiday.zip', 'Loose', 'Loose 1', 'Loose.7z', 'Secret.zip',
                                         'letter.txt'], f'{name}: {sorted(os.listdir(folder))}')
    check(os.listdir(os.path.join(folder, 'Loose')) == ['mine.txt'], f'{name}: existing folder kept')
    check(os.path.isfile(os.path.join(folder, 'Holiday', 'notes.txt')), f'{name}: one folder, not two')


def compress_case(name, command, folder):
    write(folder, {'a.txt': 'a', 'b.txt': 'b'})
    status = run(command([os.path.join(folder, 'a.txt'), os.path.join(folder, 'b.txt')]), folder)
    archive = os.path.join(folder, 'Archive.' + name.split()[-1])
    check(status == 0, f'{name}: exit status {status}')
    check(subprocess.run(['7zz', 't', archive], stdout=subprocess.DEVNULL).returncode == 0,
          f'{name}: {sorted(os.listdir(folder))}')


def main():
    managers = {'Dolphin': dolphin_commands(), 'Nemo': nemo_commands(), 'Files': nautilus_commands(),
                'Thunar': thunar_commands()}
    for manager, commands in managers.items():
        check('extract' in commands and 'compress zip' in commands, f'{manager}: extract and compress actions')
        for kind, command in commands.items():
            with tempfile.TemporaryDirectory() as folder:
                case = extract_case if kind.startswith('extract') else compress_case
                case(f'{manager} {kind}', command, folder)
    print(f'{len(FAILURES)} failed' if FAILURES else 'all file-manager actions work')
    return 1 if FAILURES else 0


if __name__ == '__main__':
    sys.exit(main())
