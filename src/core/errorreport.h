#pragma once

#include <QString>

// A failure as the file layer or a dialog reports it: a number and its description.
struct ErrorReport
{
    int number = 0;
    QString description;

    bool isError() const { return number != 0; }
};
