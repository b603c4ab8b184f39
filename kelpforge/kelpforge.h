// Kelpforge in one include: the whole game-facing API of the framework (window and input, the
// game loop with scenes and entities, sprites, text, colours, sound, data files, error reports, online play).
// Everything a game may call is declared here or in the headers it includes; nothing else is
// installed.
#pragma once

#include "kelpforge/application/kf_application.h"
#include "kelpforge/application/kf_input.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/core/kf_data_directory.h"
#include "kelpforge/core/kf_error.h"
#include "kelpforge/core/kf_noncopyable.h"
#include "kelpforge/game/kf_entity.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/game/kf_game_scene.h"
#include "kelpforge/graphics/kf_color.h"
#include "kelpforge/graphics/kf_graphic.h"
#include "kelpforge/graphics/kf_graphic_list.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "kelpforge/graphics/kf_sprite_sheet.h"
#include "kelpforge/graphics/kf_text.h"
#include "kelpforge/graphics/kf_texture_manager.h"
#include "kelpforge/graphics/kf_vector2.h"
#include "kelpforge/online/kf_network_overlay.h"
#include "kelpforge/online/kf_network_statistics.h"
#include "kelpforge/online/kf_online_match.h"
#include "kelpforge/online/kf_rollback_game.h"
#include "kelpforge/online/kf_sync_test.h"
