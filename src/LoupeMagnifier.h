// The magnifier child of the loupe: its window, the size of its image and of
// the screen area it shows, its transform and its colour effect. It makes
// the platform calls; the loupe tells the user when one fails.
#pragma once

#include <iterator>

#include "LoupeSettings.h"
#include "Platform.h"

namespace lensoro {

// The colour matrices, indexed by TLoupeColorMode.
inline constexpr TMagColorEffect LoupeColorMatrices[] = {
    // lcmOriginal: identity
    {{{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}}},
    // lcmInvert: each of red, green, blue becomes 1 - itself
    {{{-1, 0, 0, 0, 0}, {0, -1, 0, 0, 0}, {0, 0, -1, 0, 0}, {0, 0, 0, 1, 0}, {1, 1, 1, 0, 1}}},
    // lcmGray: luminance weights; they add up to 1.000001, not exactly 1
    {{{0.298912f, 0.298912f, 0.298912f, 0, 0},
      {0.586611f, 0.586611f, 0.586611f, 0, 0},
      {0.114478f, 0.114478f, 0.114478f, 0, 0},
      {0, 0, 0, 1, 0},
      {0, 0, 0, 0, 1}}},
};
static_assert(std::size(LoupeColorMatrices) == LoupeColorModeCount, "a colour mode without its matrix");

class TLoupeMagnifier {
 public:
  explicit TLoupeMagnifier(TPlatform& platform) : FPlatform(platform) {}
  TLoupeMagnifier(const TLoupeMagnifier&) = delete;
  TLoupeMagnifier& operator=(const TLoupeMagnifier&) = delete;

  HWND Handle() const { return FHandle; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int SrcWidth() const { return FSrcWidth; }
  int SrcHeight() const { return FSrcHeight; }
  const TRect& SrcRect() const { return FSrcRect; }
  const TMagTransform& Transform() const { return FTransform; }

  // The sizes for a loupe window of this size, frame and rate.
  void Resize(int windowWidth, int windowHeight, int frameWidth, float rate);
  // Makes the child window inside the frame of `parent`; false when the
  // platform refused it.
  bool Create(HWND parent, int frameWidth);
  void Destroy();
  // Moves the child to the frame's inside at its size.
  void Place(int frameWidth);
  // Resize and Place: the window or its frame changed.
  void Fit(int windowWidth, int windowHeight, int frameWidth, float rate);
  // Back to the identity before the settings are applied again.
  void ResetTransform();
  void ResetColorEffect();
  // Scales the source by the rate; false when the transform was refused.
  bool SetRate(float rate);
  // A value outside the modes keeps the previous matrix; false when the
  // effect was refused.
  bool SetColorMode(TLoupeColorMode mode);
  // Shows this area from now on; false when the platform refused it (the
  // area is kept for the next try).
  bool SetSource(const TRect& area);

 private:
  TPlatform& FPlatform;
  HWND FHandle = 0;
  int FWidth = 0, FHeight = 0;
  int FSrcWidth = 0, FSrcHeight = 0;
  TRect FSrcRect;
  TMagTransform FTransform;
  TMagColorEffect FColorEffect;
};

}  // namespace lensoro
