// What the demo scene holds (demo.scene), for the tests that load its document.
#pragma once

#include "platform/types.h"

struct DemoSlide {
  const char16_t* name;
  const char16_t* picture;  // the picture's key name (stamp 0)
  UINT fadeIn, show, fadeOut;
  UINT width, height;  // of the picture
};

const DemoSlide kDemoSlides[] = {
    {u"Dusk over the lake", u"demo\\dusk.jpg", 2, 8, 1, 1600, 1200},
    {u"Placement target", u"demo\\target.png", 1, 6, 2, 1000, 1400},
    {u"Night panorama", u"demo\\night.png", 3, 10, 3, 2400, 800},
    {u"Bright morning", u"demo\\morning.jpg", 0, 5, 1, 1024, 1024},
    {u"Butterflies over the meadow", u"demo\\meadow.jpg", 1, 9, 1, 1366, 768},
    {u"The clock", u"demo\\clock.png", 1, 7, 1, 1500, 1000},
    {u"Autumn leaves", u"demo\\autumn.jpg", 1, 9, 2, 1100, 1400},
    {u"Sky over the lake", u"demo\\lake_sky.jpg", 1, 8, 1, 1600, 800},
    {u"Rain over the hills", u"demo\\rain_hills.jpg", 1, 8, 1, 1280, 1024},
    {u"Sparks at night", u"demo\\night_sparks.jpg", 1, 8, 1, 1440, 1000},
    {u"Ripples in the light", u"demo\\dusk.jpg", 1, 6, 1, 1600, 1200},
    {u"Morning water", u"demo\\morning.jpg", 1, 6, 1, 1024, 1024},
    {u"Tiles and copies", u"demo\\target.png", 1, 6, 1, 1000, 1400},
    {u"Night fire", u"demo\\night.png", 1, 6, 1, 2400, 800},
    {u"Code in the night", u"demo\\street.jpg", 1, 8, 1, 1600, 900},
    {u"Mirror lake", u"demo\\lake.jpg", 1, 8, 1, 1600, 1000},
    {u"Rain on the pond", u"demo\\pond.jpg", 1, 8, 1, 1200, 1000},
    {u"Glass ball, upright", u"demo\\upright.jpg", 1, 7, 1, 900, 1200},
    {u"Glass ball, wide", u"demo\\wide.jpg", 1, 7, 1, 1800, 1000},
    {u"Fire in the hearth", u"demo\\fireplace.jpg", 1, 8, 1, 1400, 1000},
    {u"Under the sea", u"demo\\seabed.jpg", 1, 8, 1, 1500, 900},
};

struct DemoTrack {
  const char16_t* name;
  const char16_t* file;
  UINT milliseconds;  // 22050 Hz mono 16-bit
};

const DemoTrack kDemoTracks[] = {
    {u"Chime", u"tones/chime.wav", 1600},
    {u"Low bell", u"tones/bell.wav", 2400},
};
