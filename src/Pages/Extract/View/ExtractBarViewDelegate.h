#pragma once

// The owner of an ExtractBarView, told when the user asks to extract.
class ExtractBarViewDelegate
{
public:
    virtual ~ExtractBarViewDelegate() = default;

    // Start extracting the selected archive.
    virtual void startExtract() = 0;
};
