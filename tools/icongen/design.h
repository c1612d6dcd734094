// The program icon's design, shared by the .ico writer and the PNG writer: a shaded trackball
// with a spiral groove, sampled at any resolution.
#pragma once

// What a point of the design is: outside (transparent), ball shaded 0..1, or spiral shaded 0..1.
struct IconSample {
    bool inside;
    bool spiral;
    double shade;
};

// (dx, dy): the point relative to the ball's centre in ball radii, y upwards.
IconSample IconSampleDesign(double dx, double dy);

// Half the icon's width in ball radii: the ball leaves a thin transparent rim.
const double iconHalfWidth = 16.0 / 15.0;
