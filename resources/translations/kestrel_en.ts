<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Kestrel</name>
    <message>
        <source>common_application_name</source>
        <translation>Kestrel Archive</translation>
    </message>
    <message>
        <source>toobar_extract</source>
        <translation>Extract</translation>
    </message>
    <message>
        <source>toobar_add_file</source>
        <translation>Add Files</translation>
    </message>
    <message>
        <source>toobar_compress</source>
        <translation>Compress</translation>
    </message>
    <message>
        <source>toobar_download_full_version</source>
        <translation>Get Full Version</translation>
    </message>
    <message>
        <source>toobar_download_full_version_tips</source>
        <translation>Do more with the full version of Kestrel Archive</translation>
    </message>
    <message>
        <source>file_selection_title</source>
        <translation>Choose Files</translation>
    </message>
    <message>
        <source>click_to_delete</source>
        <translation>Remove from List</translation>
    </message>
    <message>
        <source>drag_file_title</source>
        <translation>Drop files here</translation>
    </message>
    <message>
        <source>drag_file_subtitle</source>
        <translation>Archives to extract, or files and folders to compress</translation>
    </message>
    <message>
        <source>file_list_title</source>
        <translation>Files to extract or compress</translation>
    </message>
    <message>
        <source>compress_format_label</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>compress_action</source>
        <translation>Compress</translation>
    </message>
    <message>
        <source>extract_action</source>
        <translation>Extract</translation>
    </message>
    <message>
        <source>common_ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>common_cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>enter_password</source>
        <translation>This archive is password-protected. Enter the password:</translation>
    </message>
    <message>
        <source>archive_default</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>empty_file_selection</source>
        <translation>Select a file first.</translation>
    </message>
    <message>
        <source>compress_to_title</source>
        <translation>Compress Here</translation>
    </message>
    <message>
        <source>compress_to_message</source>
        <translation>Choose where to save the new archive.</translation>
    </message>
    <message>
        <source>compress_ing</source>
        <translation>Compressing…</translation>
    </message>
    <message>
        <source>compress_completion</source>
        <translation>Compression finished.</translation>
    </message>
    <message>
        <source>compress_failed</source>
        <translation>Compression failed.</translation>
    </message>
    <message>
        <source>extract_to_title</source>
        <translation>Extract Here</translation>
    </message>
    <message>
        <source>extract_to_message</source>
        <translation>Choose the folder to extract into.</translation>
    </message>
    <message>
        <source>extract_ing</source>
        <translation>Extracting…</translation>
    </message>
    <message>
        <source>extract_completion</source>
        <translation>Extraction finished.</translation>
    </message>
    <message>
        <source>extract_failed</source>
        <translation>Extraction failed.</translation>
    </message>
    <message>
        <source>file_selection_unsupport_format</source>
        <translation>Unsupported format. Only zip, 7z and RAR archives can be extracted.</translation>
    </message>
    <message>
        <source>upgrade_previous_banner</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>upgrade_next_banner</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>common_close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>error_none</source>
        <translation>No error</translation>
    </message>
    <message>
        <source>error_unsupported</source>
        <translation>unsupported format</translation>
    </message>
    <message>
        <source>error_compress_unknown</source>
        <translation>the archive could not be written</translation>
    </message>
    <message>
        <source>error_decompress_unknown</source>
        <translation>the archive could not be extracted</translation>
    </message>
    <message>
        <source>error_password_invalid</source>
        <translation>wrong password</translation>
    </message>
    <message>
        <source>error_password_empty</source>
        <translation>no password was entered</translation>
    </message>
    <message>
        <source>error_origin_path_none</source>
        <translation>nothing to read</translation>
    </message>
    <message>
        <source>error_origin_path_error</source>
        <translation>the file cannot be read</translation>
    </message>
    <message>
        <source>error_target_path_none</source>
        <translation>no destination folder</translation>
    </message>
    <message>
        <source>error_target_path_error</source>
        <translation>the destination folder cannot be written</translation>
    </message>
    <message>
        <source>error_bad_archive</source>
        <translation>the archive is damaged</translation>
    </message>
    <message>
        <source>error_cancelled</source>
        <translation>cancelled</translation>
    </message>
    <message>
        <source>show_password</source>
        <translation>Show password</translation>
    </message>
    <message>
        <source>extract_into_title</source>
        <translation>Extract “%1” into…</translation>
    </message>
    <message>
        <source>save_in_title</source>
        <translation>Save “%1” in…</translation>
    </message>
    <message>
        <source>toolbar_more_items</source>
        <translation>More</translation>
    </message>
    <message>
        <source>show_in_folder</source>
        <translation>Show in Folder</translation>
    </message>
    <message>
        <source>batch_extracting</source>
        <translation>Extracting “%1”</translation>
    </message>
    <message>
        <source>batch_compressing</source>
        <translation>Creating “%1”</translation>
    </message>
    <message>
        <source>batch_into</source>
        <translation>in %1</translation>
    </message>
    <message>
        <source>batch_count</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>batch_extract_failed</source>
        <translation>Some archives could not be extracted:</translation>
    </message>
    <message>
        <source>batch_compress_failed</source>
        <translation>The archive could not be created:</translation>
    </message>
    <message>
        <source>batch_extracted</source>
        <translation>Extracted %1</translation>
    </message>
    <message>
        <source>batch_created</source>
        <translation>Created %1</translation>
    </message>
</context>
</TS>
