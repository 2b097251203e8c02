-- The language server under Neovim's own client: the diagnostics it shows are those of
-- --check, an edit that mends a mistake clears it, hover tells a note's measure and time, a
-- picture asked for is answered, completion offers the directives with their arguments, and a
-- block of comments folds.
-- Run by neovim_client_test.sh, which passes the program and the chart in the environment, and
-- README.md when the client is to be started by the README's lines instead of editors/vim.
local beatplate = os.getenv('BEATPLATE')
local chart = os.getenv('CHART')
local readme = os.getenv('README')
local passed, failed = 0, 0
-- How long a step may wait for the server (ms): each wait ends as soon as what it waits for
-- happens, so only a server that never answers takes it all.
local patience = 30000

local function expect(condition, what, got)
  if condition then
    passed = passed + 1
  else
    failed = failed + 1
    io.stderr:write('FAILED: ' .. what .. '\n' .. vim.inspect(got) .. '\n')
  end
end

local function finish()
  io.stdout:write(string.format('neovim client: %d passed, %d failed\n', passed, failed))
  vim.cmd(failed == 0 and 'qall!' or 'cquit! 1')
end

-- The diagnostics as --check prints them, without the chart's name and the summary.
local function shown(buffer)
  local lines = {}
  for _, diagnostic in ipairs(vim.diagnostic.get(buffer)) do
    local text = vim.api.nvim_buf_get_lines(buffer, diagnostic.lnum, diagnostic.lnum + 1, false)[1]
    local column = vim.str_utfindex(text, diagnostic.col) + 1
    local severity = diagnostic.severity == vim.diagnostic.severity.ERROR and 'error' or 'warning'
    table.insert(lines, string.format('%d:%d: %s: %s', diagnostic.lnum + 1, column, severity,
                                      diagnostic.message))
  end
  table.sort(lines)
  return lines
end

local function checked()
  local lines = {}
  for line in vim.fn.system({ beatplate, '--check', chart }):gmatch('[^\n]+') do
    local rest = line:sub(#chart + 2)
    if rest:match('^%d+:%d+: ') then
      table.insert(lines, rest)
    end
  end
  table.sort(lines)
  return lines
end

-- The README's Lua block for Neovim, as a user would paste it into init.lua, with the user's own
-- autocommand that gives charts their file type.
local function runReadmeLines()
  local text = table.concat(vim.fn.readfile(readme), '\n')
  local block = text:match('%*%*Neovim and Vim%.%*%*.-```lua\n(.-)```')
  expect(block ~= nil, 'the README has the Neovim lines', readme)
  vim.cmd('autocmd BufRead *.txt set filetype=beatplate')
  assert((loadstring or load)(block, 'README.md'))()
end

-- A Lua error would leave Neovim waiting: every step runs under pcall, and finish() always runs.
local function run()
  if readme then
    runReadmeLines()
  else
    -- editors/vim is first on the runtime path: its detection, syntax and client lines are used.
    vim.g.beatplate_command = beatplate
  end
  vim.cmd('edit ' .. vim.fn.fnameescape(chart))
  local buffer = vim.api.nvim_get_current_buf()
  expect(vim.bo.filetype == 'beatplate', 'a chart gets its file type', vim.bo.filetype)
  if not readme then
    expect(vim.fn.synIDattr(vim.fn.synID(3, 3, 1), 'name') == 'beatplateSmall',
           'the syntax colours a note', vim.fn.synIDattr(vim.fn.synID(3, 3, 1), 'name'))
  end

  local expected = checked()
  expect(#expected == 3, 'the chart has three mistakes', expected)
  vim.wait(patience, function() return #vim.diagnostic.get(buffer) == #expected end, 20)
  expect(vim.deep_equal(shown(buffer), expected), 'diagnostics equal to --check', shown(buffer))
  local client = next(vim.lsp.buf_get_clients(buffer))
  expect(client ~= nil, 'the client lines start the server', client)

  -- "#bmp" becomes "#bpm": the unknown command goes, the other two stay.
  vim.api.nvim_buf_set_text(buffer, 3, 2, 3, 4, { 'pm' })
  vim.wait(patience, function() return #vim.diagnostic.get(buffer) == #expected - 1 end, 20)
  local after = shown(buffer)
  expect(#after == 2 and not after[1]:find('unknown command') and not after[2]:find('unknown command'),
         'an edit clears the mistake it mends', after)

  local answers = vim.lsp.buf_request_sync(buffer, 'textDocument/hover', {
    textDocument = { uri = vim.uri_from_bufnr(buffer) },
    position = { line = 2, character = 10 },
  }, patience)
  local hover = answers and answers[client] and answers[client].result
  local text = hover and hover.contents.value or ''
  expect(text:find('**measure 1**, beat 3.5', 1, true) and text:find('time 1.250 s', 1, true),
         'hover gives the measure and the time', text)

  -- The picture is drawn off the server's loop; its answer comes through the same client.
  local pictures = vim.lsp.buf_request_sync(buffer, 'beatplate/picture', {
    textDocument = { uri = vim.uri_from_bufnr(buffer) },
  }, patience)
  local picture = pictures and pictures[client] and pictures[client].result
  local drawn = picture and picture.png ~= nil and picture.png ~= vim.NIL
  expect(picture and not drawn and tostring(picture.error):find('parse error', 1, true),
         'the picture names the error that keeps the chart from being drawn', picture)

  answers = vim.lsp.buf_request_sync(buffer, 'textDocument/completion', {
    textDocument = { uri = vim.uri_from_bufnr(buffer) },
    position = { line = 3, character = 2 },
  }, patience)
  local items = answers and answers[client] and answers[client].result and answers[client].result.items or {}
  local offered = {}
  for _, item in ipairs(items) do
    offered[item.label] = item.detail
  end
  expect(offered.meter == '#meter d n' and offered.tab == '#tab width' and #items == 12,
         'completion offers every directive with its arguments', offered)

  -- Two comment lines after the last line fold as one block.
  vim.api.nvim_buf_set_lines(buffer, -1, -1, false, { '; the end', '; of the chart' })
  answers = vim.lsp.buf_request_sync(buffer, 'textDocument/foldingRange', {
    textDocument = { uri = vim.uri_from_bufnr(buffer) },
  }, patience)
  local folds = answers and answers[client] and answers[client].result or {}
  expect(#folds == 1 and folds[1].startLine == 6 and folds[1].endLine == 7
           and folds[1].kind == 'comment', 'a block of comments folds', folds)

  if client then
    vim.lsp.stop_client(client)
    vim.wait(patience, function() return vim.lsp.client_is_stopped(client) end, 20)
  end
end

local ok, error = pcall(run)
expect(ok, 'the steps ran to their end', error)
finish()
