#pragma once

// Design values of the windows are in twips; 15 twips make one pixel.
constexpr int px(int twips)
{
    return twips / 15;
}
