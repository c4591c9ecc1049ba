#pragma once

// The mode of the main view; both modes show the same working list.
enum class FileListType
{
    extract, // the extract bar is shown, one row can be selected
    compress, // the compress bar is shown, several rows can be selected
};
