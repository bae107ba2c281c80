#pragma once
// Which implementation of the pixel operations to run: the scalar reference, written channel by
// channel, or the fast vector paths, which must give the same bytes.
enum class PixelPath { Reference, Fast };
