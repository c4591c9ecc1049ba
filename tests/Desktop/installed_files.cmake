# What an installation holds, relative to its prefix, for the AppStream id
# APP_ID: the executable and its window's module (WINDOW_LIBRARY), what
# desktops and software centres read, the manual page and the file managers'
# actions.
set(installed_files
    bin/kestrel-archive
    ${WINDOW_LIBRARY}
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg
    share/man/man1/kestrel-archive.1.gz
    share/kio/servicemenus/kestrel-archive-extract.desktop
    share/kio/servicemenus/kestrel-archive-compress.desktop
    share/nautilus-python/extensions/kestrel-archive.py
    share/nemo/actions/kestrel-archive-extract-here.nemo_action
    share/nemo/actions/kestrel-archive-compress-zip.nemo_action
    share/nemo/actions/kestrel-archive-compress-7z.nemo_action
    libexec/thunar-archive-plugin/${APP_ID}.tap)

# Those that are run, or that Plasma 6 only trusts when executable.
set(executable_files
    bin/kestrel-archive
    share/kio/servicemenus/kestrel-archive-extract.desktop
    share/kio/servicemenus/kestrel-archive-compress.desktop
    libexec/thunar-archive-plugin/${APP_ID}.tap)
