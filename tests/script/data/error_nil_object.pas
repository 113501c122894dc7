var
  c: TComponent;
begin
  writeLn(c.Name);
end.
(* error
Access to a nil object: property 'Name' was read from nil
*)
