var
  l, m: TStringList;
  i: integer;
begin
  l := TStringList.Create;
  m := TStringList.Create;
  try
    l.Add('rate=100');
    l.Add('mode=pulse');
    l.Insert(0, 'name=rig 1');
    l.Values['rate'] := '250';
    l.Values['mode'] := '';
    l.Sorted := True;
    l.Duplicates := dupIgnore;
    l.Add('rate=250');
    writeLn(l.CommaText + ' ' + IntToStr(l.IndexOfName('rate')) + ' ' + l.Names[0] + ' ' + l[1]);
    l.Sort;
    ForceDirectories('out/sub');
    l.SaveToFile('out/sub/list.txt');
    if FileExists('out/sub/list.txt') and DirectoryExists('out') then m.LoadFromFile('out/sub/list.txt');
    if RenameFile('out/sub/list.txt', 'out/moved.txt') then writeLn(ExtractFileName('out/moved.txt'));
    writeLn(ChangeFileExt('out/moved.txt', '.bak') + ExtractFilePath('out/moved.txt') + IncludeTrailingPathDelimiter('out'));
    m.Text := 'a'#13#10'b'#10'c';
    m.CommaText := '"x y",z,,"q""r"';
    for i := m.Count - 1 downto 0 do if m.IndexOf(m[i]) <> i then m.Delete(i);
    writeLn(m.Text);
    DeleteFile('out/moved.txt');
    m.LoadFromFile('out/moved.txt');
  finally
    FreeAndNil(l);
    m.Free;
  end;
end.
