-- What the check games share: counted checks that print one line per failure, whether a
-- call raises a given text, and the closing summary the end-to-end test reads. A game
-- loads it with dofile("..\\checks.lua") and keeps the table it returns.
local T = { checks = 0, failures = 0 }

function T.check(name, ok, detail)
  T.checks = T.checks + 1
  if not ok then
    T.failures = T.failures + 1
    print("FAIL " .. name .. ": " .. tostring(detail))
  end
end

-- True when f raises an error whose text contains `text`; the error as second result.
function T.raises(f, text)
  local ok, err = pcall(f)
  return not ok and string.find(tostring(err), text, 1, true) ~= nil, err
end

function T.summary()
  print("checks " .. T.checks .. " failed " .. T.failures)
end

return T
