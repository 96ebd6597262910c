-- Window and modules for the LÖVE version of the sprite benchmark (see main.lua): a
-- 1024 x 768 window with vsync off, and none of the modules the scene does not use.
function love.conf(t)
  t.identity = "hinoki_love_sprites"
  t.version = "11.4"
  t.console = false
  t.window.title = "love_sprites"
  t.window.width = 1024
  t.window.height = 768
  t.window.vsync = 0
  t.window.resizable = false
  t.window.msaa = 0
  t.modules.audio = false
  t.modules.sound = false
  t.modules.joystick = false
  t.modules.physics = false
  t.modules.touch = false
  t.modules.video = false
end
