// A picture's way from its file to its texture's pixels, in one pass: the
// decoder's rows go through the stages the plan needs (converted to sRGB,
// re-projected from a cylinder, reduced to the picture's size in the
// texture, placed in the padded canvas) into the texture's sink.
#pragma once

#include "colour_stage.h"
#include "image_file.h"
#include "texture_plan.h"

namespace gpano {

// Decodes the opened file into `texture` as `plan` says; false says why.
// `conversion`: where a colour profile's conversion runs (colour_stage.h).
bool DecodeForTexture(imagedecode::ImageFile& file, const TexturePlan& plan,
                      imagedecode::RowSink& texture, std::string& reason,
                      imagedecode::ConversionThread conversion = imagedecode::ConversionThread::Own);

} // namespace gpano
