-- Neovim's own client on `scenario lsp`, for the sources as `scenario init`
-- names them: NAME_linea.txt and NAME_TRAIN-.txt.  Copy this file into
-- ~/.config/nvim/plugin/ (or its lines into init.lua); Neovim 0.7 or later.
-- One server for each folder: it pairs a line source with the train source
-- beside it only when both are open in the same server.
local servers = {}
vim.api.nvim_create_autocmd({'BufReadPost', 'BufNewFile'}, {
  pattern = {'*_linea.txt', '*-.txt'},
  callback = function(args)
    local folder = vim.fn.fnamemodify(args.file, ':p:h')
    local id = servers[folder]
    if id == nil then
      -- 'scenario' is looked up on the PATH; else write its full path.
      id = vim.lsp.start_client({
        name = 'scenario',
        cmd = {'scenario', 'lsp'},
        root_dir = folder,
        on_exit = function() servers[folder] = nil end,
      })
      servers[folder] = id
    end
    vim.lsp.buf_attach_client(args.buf, id)
    -- K shows what the field under the cursor means, <Space>a lists the
    -- fixes there, <Space>f aligns the columns; Ctrl-X Ctrl-O completes.
    local map = function(keys, action) vim.keymap.set('n', keys, action, {buffer = args.buf}) end
    map('K', vim.lsp.buf.hover)
    map('<Space>a', vim.lsp.buf.code_action)
    map('<Space>f', vim.lsp.buf.format or vim.lsp.buf.formatting)
    vim.bo[args.buf].omnifunc = 'v:lua.vim.lsp.omnifunc'
  end,
})
