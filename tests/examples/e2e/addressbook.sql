.check
.schema contacts
select id, name, phone, grp, favourite from contacts order by id
