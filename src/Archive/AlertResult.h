#pragma once

// How an alert ended. The numbering is part of the contract.
enum class AlertResult
{
    ok = 0, // the confirming button was pressed
    cancel = 1, // the cancelling button was pressed (or the alert was dismissed)
    fail = 2, // the alert could not be shown: no window to carry it
    autoClose = 3, // closed by its owner's code
};
