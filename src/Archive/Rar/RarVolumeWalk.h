#pragma once

// How the walk of one volume's headers ended.
struct RarVolumeWalk
{
    enum class End
    {
        lastVolume, // the end-of-archive marker, and no volume follows
        nextVolume, // the end-of-archive marker says another volume follows
        namesEncrypted, // the headers after the archive header are encrypted
        damaged, // cut short, or a header makes no sense
        unreadable,
    };

    End end = End::damaged;
    bool isVolume = false; // the archive header says this is one volume of a set
};
