-- An author in Neovim with `scenario lsp`, through the editor's own client
-- (Debian's Neovim, 0.7), set up as the authors' guide says: by
-- editors/neovim/scenario.lua, which finds `scenario` on the PATH.
-- Run by tests/lsp_neovim_test.sh as
--   nvim --headless --clean -n -i NONE -c 'luafile tests/lsp_neovim.lua'
-- with SETUP (that file), SOURCES (a folder where `scenario init` wrote our
-- sources), CHECK (what `scenario check` tells of them, a line "FILE
-- LINE:COL LEVEL RULE MESSAGE" each) and REPORT (a file for the results) in
-- the environment.  Each
-- check writes "ok: WHAT" or "FAIL: WHAT: WHY" to REPORT; the editor quits
-- with status 0 once every check has run, 1 on an error of the script.

local sources = os.getenv('SOURCES')
local report = assert(io.open(os.getenv('REPORT'), 'w'))

-- Generous bounds: they keep a server that never answers from hanging the
-- test, and measure nothing.
local kWait = 30000

local function say(line)
  report:write(line, '\n')
  report:flush()
end

local function check(what, good, why)
  if good then
    say('ok: ' .. what)
  else
    say('FAIL: ' .. what .. ': ' .. tostring(why))
  end
  return good
end

local function show(value)
  return vim.inspect(value, {newline = ' ', indent = ''})
end

-- The diagnostics of a buffer as "LINE:COL SEVERITY CODE MESSAGE", lines and
-- columns counted from 1 as `scenario check` counts them, sorted.
local kSeverity = {'error', 'warning', 'note', 'hint'}
local function diagnostics(buf)
  local lines = {}
  for _, d in ipairs(vim.diagnostic.get(buf)) do
    table.insert(lines, string.format('%d:%d %s %s %s', d.lnum + 1, d.col + 1, kSeverity[d.severity],
                                      tostring(d.code), d.message))
  end
  table.sort(lines)
  return lines
end

local function has(list, wanted)
  for _, item in ipairs(list) do
    if item == wanted then return true end
  end
  return false
end

-- Waits until the buffer's diagnostics hold (or, with present false, no
-- longer hold) the wanted line.
local function wait_diagnostic(buf, wanted, present)
  return vim.wait(kWait, function() return has(diagnostics(buf), wanted) == present end, 20)
end

-- What `scenario check` tells of one source, as diagnostics() lists them.
local function told_by_check(name)
  local lines = {}
  for line in io.lines(os.getenv('CHECK')) do
    if line:sub(1, #name + 1) == name .. ' ' then table.insert(lines, line:sub(#name + 2)) end
  end
  table.sort(lines)
  return lines
end

local function open(name)
  vim.cmd('edit ' .. vim.fn.fnameescape(sources .. '/' .. name))
  return vim.api.nvim_get_current_buf()
end

-- The text a hover answer shows, whichever of its three forms it takes.
local function hover_text(result)
  local parts = {}
  local function add(c)
    if type(c) == 'string' then
      table.insert(parts, c)
    elseif c.value then
      table.insert(parts, c.value)
    else
      for _, item in ipairs(c) do add(item) end
    end
  end
  if result and result.contents then add(result.contents) end
  return table.concat(parts, '\n')
end

-- What the client tells the author (a server that quits with a status
-- other than 0, an error it answered): kept, and shown at the end.
local notices = {}
vim.notify = function(message) table.insert(notices, tostring(message)) end

-- The one client attached to a buffer, or nil.
local function client_of(buf)
  local ids = vim.tbl_keys(vim.lsp.buf_get_clients(buf))
  return #ids == 1 and ids[1] or nil
end

-- Hover on the position of Rivalta, 202600 m on line 70: the line's second
-- numbering starts at 194700 m with an offset of -16400 m, so it stands at
-- km 186.200.
local function hover_on_station(id, train_buf)
  local answers = vim.lsp.buf_request_sync(train_buf, 'textDocument/hover', {
    textDocument = {uri = vim.uri_from_bufnr(train_buf)},
    position = {line = 69, character = 12},
  }, kWait)
  local text = hover_text(answers and answers[id] and answers[id].result)
  check('hover on a station\'s position shows its km', text:find('km 186.200', 1, true) ~= nil, show(answers))
end

-- The "did you mean" fix, as the editor asks for it at the diagnostic, and
-- applied as the editor applies it.
local function apply_fix(client, line_buf, typo)
  vim.api.nvim_set_current_buf(line_buf)
  local context = {}
  for _, d in ipairs(vim.diagnostic.get(line_buf, {lnum = 112})) do
    table.insert(context, d.user_data.lsp)
  end
  local answers = vim.lsp.buf_request_sync(line_buf, 'textDocument/codeAction', {
    textDocument = {uri = vim.uri_from_bufnr(line_buf)},
    range = {start = {line = 112, character = 0}, ['end'] = {line = 112, character = 7}},
    context = {diagnostics = context},
  }, kWait)
  local fix = nil
  for _, action in ipairs(answers and answers[client.id] and answers[client.id].result or {}) do
    if action.edit and action.title:find('pendenza', 1, true) then fix = action end
  end
  if not check('a quick fix offers "pendenza"', fix ~= nil, show(answers)) then return end
  vim.lsp.util.apply_workspace_edit(fix.edit, client.offset_encoding)
  local fixed = vim.api.nvim_buf_get_lines(line_buf, 112, 113, true)[1]
  check('the fix puts the keyword right', fixed == 'pendenza,  600,   -11', fixed)
  check('the diagnostic goes with the fix', wait_diagnostic(line_buf, typo, false), show(diagnostics(line_buf)))
end

local function run()
  dofile(os.getenv('SETUP'))
  local line_buf = open('Valdoro_linea.txt')
  local train_buf = open('Valdoro_Dir 5802-.txt')
  check('the sources are read with their CR LF', vim.bo[line_buf].fileformat == 'dos', vim.bo[line_buf].fileformat)

  -- The client counts as the buffer's once the server has answered
  -- initialize.
  local started = vim.wait(kWait, function() return client_of(line_buf) ~= nil or #notices > 0 end, 20)
  local id = client_of(line_buf)
  if not check('opening the line source starts scenario lsp, which answers initialize', started and id ~= nil,
               show(notices)) then
    return
  end
  check('the train source goes to the same server', client_of(train_buf) == id,
        show(vim.tbl_keys(vim.lsp.buf_get_clients(train_buf))))
  local client = vim.lsp.get_client_by_id(id)

  -- Our scenario as `scenario check` tells it: a warning in each source.
  local comma = '114:20 warning decimal-comma "-4,5" has a decimal comma: pendenza gradient is read as -4 and "5" ' ..
                    'is passed over; values are whole numbers'
  local terme = '60:1 warning broken-name "-Terme" on a line of its own is passed over: the name on line 59 stays ' ..
                    '"Pontelungo"; a name must stand whole on its record\'s line'
  check('the line source\'s warning on open', wait_diagnostic(line_buf, comma, true),
        show(diagnostics(line_buf)))
  check('the train source\'s warning on open', wait_diagnostic(train_buf, terme, true),
        show(diagnostics(train_buf)))
  -- Every problem of both, as check tells them: the same lines, levels,
  -- rules and words.
  local check_line, check_train = show(told_by_check('Valdoro_linea.txt')), show(told_by_check('Valdoro_Dir 5802-.txt'))
  check('both sources\' diagnostics on open are those of scenario check', vim.wait(kWait, function()
    return show(diagnostics(line_buf)) == check_line and show(diagnostics(train_buf)) == check_train
  end, 20), show(diagnostics(line_buf)) .. ' ' .. show(diagnostics(train_buf)) .. ' check: ' .. check_line .. ' ' ..
      check_train)
  local before_line, before_train = show(diagnostics(line_buf)), show(diagnostics(train_buf))

  -- A typo typed into a keyword: "pendenza" on line 113 loses its second "e".
  vim.api.nvim_set_current_buf(line_buf)
  vim.api.nvim_win_set_cursor(0, {113, 4})
  vim.api.nvim_feedkeys('x', 'nx', false)
  local typed = vim.api.nvim_buf_get_lines(line_buf, 112, 113, true)[1]
  check('the typo typed', typed == 'pendnza,  600,   -11', typed)
  local typo = '113:1 error unknown-keyword unknown keyword "pendnza" in [pendenze]: the record is lost; ' ..
                   'did you mean "pendenza"?'
  check('the typo\'s diagnostic as scenario check words it', wait_diagnostic(line_buf, typo, true),
        show(diagnostics(line_buf)))
  check('the other warnings stay', has(diagnostics(line_buf), comma) and has(diagnostics(train_buf), terme),
        show(diagnostics(line_buf)) .. ' ' .. show(diagnostics(train_buf)))

  hover_on_station(id, train_buf)
  apply_fix(client, line_buf, typo)
  check('both sources\' diagnostics as they were before the typo', vim.wait(kWait, function()
    return show(diagnostics(line_buf)) == before_line and show(diagnostics(train_buf)) == before_train
  end, 20), show(diagnostics(line_buf)) .. ' ' .. show(diagnostics(train_buf)))

  -- Leaving: the server is asked to shut down and exits cleanly, and the
  -- client had nothing to tell the author on the way (a server that quits
  -- with a status other than 0 is told).
  vim.lsp.stop_client(id)
  check('the server stops when asked', vim.wait(kWait, function() return vim.lsp.client_is_stopped(id) end, 20),
        'still running')
  -- The client tells of a status after the exit, in a callback of its own.
  vim.wait(200, function() return false end)
  check('nothing told by the client', #notices == 0, show(notices))
end

local ok, err = pcall(run)
if not ok then say('FAIL: the script stopped: ' .. tostring(err)) end
say('done')
report:close()
vim.cmd(ok and 'qall!' or 'cquit 1')
